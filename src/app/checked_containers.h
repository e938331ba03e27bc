// The vector and list that hold every list of records, read through one checked access.
//
// A bad index never reads outside the container: it is written to the EC log and the report log
// ("err V[index] ( count , element size )" / "err L[...]"), WM_CLOSE is posted to the main window,
// and the caller gets a harmless element to carry on with until the close arrives.
#pragma once
#include <cstddef>
#include <deque>
#include <list>
#include <vector>

// Logs the failed access and posts WM_CLOSE to g_hWnd. `kind` is 'V' or 'L'.
void ReportBadIndex(char kind, int index, int count, std::size_t elementSize);

// The element handed out after a failed access. It is built anew for every failure, so a caller that
// wrote into the element handed out before does not pass its writes on to the next one.
template <class T> T& CheckedDefaultElement() {
    thread_local T element{};
    element = T{};
    return element;
}

template <class T> class cCheckedVector : public std::vector<T> {
  public:
    using std::vector<T>::vector;
    using std::vector<T>::operator=;

    int Count() const { return static_cast<int>(this->size()); }

    T& at(int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < this->size()) return (*this)[index];
        ReportBadIndex('V', index, Count(), sizeof(T));
        // An empty vector has no element 0: a default element is returned as the list does, so the
        // program closes through WM_CLOSE instead of aborting.
        if (this->empty()) return CheckedDefaultElement<T>();
        return this->front();
    }
    const T& at(int index) const { return const_cast<cCheckedVector*>(this)->at(index); }
};

template <class T> class cCheckedList : public std::list<T> {
  public:
    using std::list<T>::list;
    using std::list<T>::operator=;

    int Count() const { return static_cast<int>(this->size()); }

    T& at(int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < this->size()) {
            auto it = this->begin();
            for (int i = 0; i < index; ++i)
                ++it;
            return *it;
        }
        ReportBadIndex('L', index, Count(), sizeof(T));
        return CheckedDefaultElement<T>();
    }
    const T& at(int index) const { return const_cast<cCheckedList*>(this)->at(index); }
};

// The vector form for records that others point at: elements keep their addresses for as long as
// they are in the container (it grows only at its end), read through the same checked access.
template <class T> class cStableVector {
  public:
    int Count() const { return static_cast<int>(m_items.size()); }
    T& at(int index) {
        if (index >= 0 && index < Count()) return m_items[static_cast<std::size_t>(index)];
        ReportBadIndex('V', index, Count(), sizeof(T));
        if (m_items.empty()) return CheckedDefaultElement<T>();
        return m_items.front();
    }
    T& back() { return m_items.back(); }
    T& push_back(const T& v) { return m_items.emplace_back(v); }
    void clear() { m_items.clear(); }
    bool empty() const { return m_items.empty(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }

  private:
    std::deque<T> m_items;
};
