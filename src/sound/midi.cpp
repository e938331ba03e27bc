#include "sound/midi.h"

#include "app/log.h"
#include "platform/file_system.h"
#include "platform/messages.h"
#include "platform/threads.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

using namespace win;

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}
std::uint16_t Be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// A variable-length quantity of at most four bytes inside [pos, end); false when it runs past the
// end or is longer.
bool ReadVlq(const std::uint8_t* b, std::size_t& pos, std::size_t end, std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= end) return false;
        std::uint8_t c = b[pos++];
        value = value << 7 | (c & 0x7F);
        if (!(c & 0x80)) return true;
    }
    return false;
}

void WriteVlq(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t tmp[4];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while ((v >>= 7) != 0)
        tmp[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    while (n > 0)
        out.push_back(tmp[--n]);
}

// One event of one track, kept until the tracks are merged.
struct TrackEvent {
    std::uint64_t time;
    int track;
    std::size_t at;  // offset of the event's bytes after its status in the file
    std::size_t len; // their length
    std::uint8_t status;
    std::size_t dataAt = 0; // meta events: the data after the length
};

int DataBytes(std::uint8_t status) {
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
}

} // namespace

// ---- reading a file ----

cMidiData::cMidiData(const std::string& fileName) : m_FileName(fileName) {
    std::FILE* f = fsys::Open(fileName, "rb");
    if (!f) {
        ReportErr("Midi %s Create ファイルが開けません", fileName.c_str());
        return;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    Merge(bytes.data(), bytes.size());
}

bool cMidiData::Merge(const std::uint8_t* b, std::size_t size) {
    m_Image.clear();
    const char* name = m_FileName.c_str();
    if (size < 4 || std::memcmp(b, "MThd", 4) != 0) {
        ReportErr("Midi %s Init 標準MIDIでない(4)", name);
        return false;
    }
    if (size < 14 || Be32(b + 4) != 6) {
        ReportErr("Midi %s Init 標準MIDIでない(6)", name);
        return false;
    }
    std::uint16_t format = Be16(b + 8);
    if (format == 2) {
        ReportErr("Midi %s Init 対応フォーマットが2でない", name);
        return false;
    }
    if (format > 2) {
        ReportErr("Midi %s Init 対応フォーマットが0または1でない", name);
        return false;
    }
    if (size < 18 || std::memcmp(b + 14, "MTrk", 4) != 0) {
        ReportErr("Midi %s Init 標準MIDIでない(4)", name);
        return false;
    }
    // The tracks: each is read from just after its 8-byte header up to its end of track, and the
    // next one begins right after that. A track that runs past the file or has no end of track
    // refuses the file.
    const int tracks = Be16(b + 10);
    std::vector<TrackEvent> events;
    std::uint64_t endTime = 0;
    std::size_t pos = 14;
    for (int t = 0; t < tracks; ++t) {
        if (size - pos < 8) {
            ReportErr("Midi %s Init トラック%dが足りない", name, t + 1);
            return false;
        }
        pos += 8;
        std::uint64_t time = 0;
        std::uint8_t running = 0;
        bool ended = false;
        while (!ended) {
            std::uint32_t delta;
            if (!ReadVlq(b, pos, size, delta) || pos >= size) break;
            time += delta;
            std::uint8_t status = b[pos];
            if (status < 0x80) {
                if (!running) break; // data where a status is expected, with none to repeat
                status = running;
            } else {
                ++pos;
            }
            TrackEvent e{time, t, pos, 0, status};
            if (status < 0xF0) {
                running = status;
                e.len = static_cast<std::size_t>(DataBytes(status));
                if (size - pos < e.len) break;
            } else if (status == 0xF0 || status == 0xF7) {
                std::uint32_t len;
                if (!ReadVlq(b, pos, size, len) || size - pos < len) break;
                e.at = pos;
                e.len = len;
            } else if (status == 0xFF) {
                if (pos >= size) break;
                const std::size_t typeAt = pos;
                std::uint8_t type = b[pos++];
                std::uint32_t len;
                if (!ReadVlq(b, pos, size, len) || size - pos < len) break;
                if (type == 0x2F) {
                    pos += len;
                    ended = true;
                    endTime = std::max(endTime, time);
                    continue;
                }
                e.at = typeAt; // the type byte, then the data after the length
                e.dataAt = pos;
                e.len = len;
            } else {
                break; // a status that has no place in a file
            }
            pos += e.len;
            events.push_back(e);
        }
        if (!ended) {
            ReportErr("Midi %s Init トラック%dが壊れている", name, t + 1);
            return false;
        }
    }
    // Merged by time; at equal times the lower track first, and each track keeps its order.
    std::stable_sort(events.begin(), events.end(), [](const TrackEvent& x, const TrackEvent& y) {
        return x.time != y.time ? x.time < y.time : x.track < y.track;
    });
    std::vector<std::uint8_t> img = {'M', 'T',   'h',   'd', 0,   0,   0,   6, 0, 0, 0,
                                     1,   b[12], b[13], 'M', 'T', 'r', 'k', 0, 0, 0, 0};
    std::uint64_t last = 0;
    auto delta = [&](std::uint64_t time) {
        std::uint64_t d = time - last;
        last = time;
        if (d >= 0x10000000) return false; // more than a four-byte quantity can hold
        WriteVlq(img, static_cast<std::uint32_t>(d));
        return true;
    };
    for (const TrackEvent& e : events) {
        if (!delta(e.time)) {
            ReportErr("Midi %s Init 間隔が長すぎる", name);
            return false;
        }
        img.push_back(e.status);
        if (e.status == 0xF0 || e.status == 0xF7) {
            WriteVlq(img, static_cast<std::uint32_t>(e.len));
            img.insert(img.end(), b + e.at, b + e.at + e.len);
        } else if (e.status == 0xFF) {
            img.push_back(b[e.at]);
            WriteVlq(img, static_cast<std::uint32_t>(e.len));
            img.insert(img.end(), b + e.dataAt, b + e.dataAt + e.len);
        } else {
            img.insert(img.end(), b + e.at, b + e.at + e.len);
        }
    }
    if (!delta(endTime)) {
        ReportErr("Midi %s Init 間隔が長すぎる", name);
        return false;
    }
    img.insert(img.end(), {0xFF, 0x2F, 0x00});
    std::uint32_t len = static_cast<std::uint32_t>(img.size() - MIDI_FIRST_EVENT);
    img[18] = static_cast<std::uint8_t>(len >> 24);
    img[19] = static_cast<std::uint8_t>(len >> 16);
    img[20] = static_cast<std::uint8_t>(len >> 8);
    img[21] = static_cast<std::uint8_t>(len);
    m_Image = std::move(img);
    return true;
}

// ---- the stream ----

cMidiStream::cMidiStream(const std::string& fileName) : cMidiData(fileName) {
    if (!HasImage()) return;
    m_Headers.reset(new MIDIHDR[MIDI_BUFFER_COUNT]);
    for (int i = 0; i < MIDI_BUFFER_COUNT; ++i) {
        m_Blocks.emplace_back(new char[MIDI_BUFFER_SIZE]());
        m_Headers[i].lpData = m_Blocks[i].get();
        m_Headers[i].dwBufferLength = MIDI_BUFFER_SIZE;
        m_Headers[i].dwUser = static_cast<std::uintptr_t>(i);
    }
    // No memory for the player's thread (its stack) throws std::bad_alloc: the music cannot be played.
    m_Thread = StartStdThread([this] { ThreadMain(); });
    while (m_ThreadId.load() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (m_ThreadId.load() == THREAD_FAILED) {
        m_Thread.join();
        throw std::bad_alloc();
    }
    while (!PostThreadMessage(m_ThreadId.load(), WM_APP, 0, 0))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    try {
        std::lock_guard lock(m_Lock);
        UINT device = MIDI_MAPPER;
        Check(midiStreamOpen(&m_hStream, &device, 1, m_ThreadId.load(), 0, CALLBACK_THREAD), "Open");
        MIDIPROPTIMEDIV div;
        div.dwTimeDiv = static_cast<DWORD>(m_Image[12] << 8 | m_Image[13]);
        Check(midiStreamProperty(m_hStream, reinterpret_cast<BYTE*>(&div), MIDIPROP_SET | MIDIPROP_TIMEDIV),
              "Property");
        m_nReadPos = MIDI_FIRST_EVENT;
        m_nState = MIDI_STOPPED;
        FillAndQueue();
    } catch (...) {
        // A stream cut short (memory ran out) lets its thread and device go before it fails.
        EndThreadAndStream();
        throw;
    }
}

void cMidiStream::EndThreadAndStream() {
    // The player's thread ends before the stream goes: it would otherwise wait for ever.
    if (m_Thread.joinable()) {
        PostThreadMessage(m_ThreadId.load(), WM_QUIT, 0, 0); // fails only when it has ended already
        m_Thread.join();
    }
    std::lock_guard lock(m_Lock);
    Check(midiOutReset(m_hStream), "Reset");
    for (int i = 0; i < MIDI_BUFFER_COUNT; ++i)
        Check(midiOutUnprepareHeader(m_hStream, &m_Headers[i], sizeof(MIDIHDR)), "Unprepare");
    Check(midiStreamClose(m_hStream), "Close");
}

cMidiStream::~cMidiStream() {
    if (!HasImage()) return;
    EndThreadAndStream();
}

void cMidiStream::ThreadMain() {
    MSG msg;
    try {
        PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the id is known
    } catch (const std::bad_alloc&) {
        // No memory for the thread's queue: the constructor fails.
        m_ThreadId = THREAD_FAILED;
        return;
    }
    m_ThreadId = GetCurrentThreadId();
    try {
        while (GetMessage(&msg, nullptr, 0, 0)) {
            if (msg.message == MM_MOM_POSITIONCB) OnPosition(reinterpret_cast<MIDIHDR*>(msg.lParam));
        }
    } catch (const std::bad_alloc&) {
        // The music stops where memory ran out; the program closes.
        OutOfMemory();
    }
}

void cMidiStream::Check(MMRESULT result, const char* operation) {
    if (result == MMSYSERR_NOERROR) return;
    char text[512];
    mciGetErrorString(result, text, sizeof text);
    ReportErr("Midi %s %s %s", m_FileName.c_str(), operation, text);
}

void cMidiStream::OnPosition(MIDIHDR* hdr) {
    std::lock_guard lock(m_Lock);
    if (!(hdr->dwFlags & MHDR_ENDOFSTREAM)) {
        FillAndQueue();
        return;
    }
    // The end of the music (marked by the device itself).
    Stop(0);
    if (m_bLoop) Restart(1);
}

void cMidiStream::FillAndQueue() {
    std::lock_guard lock(m_Lock);
    if (m_nReadPos >= m_Image.size()) return;
    MIDIHDR& h = m_Headers[m_nNextBuffer];
    if (h.dwFlags & MHDR_INQUEUE) return;
    h.dwBytesRecorded = Convert(h);
    h.dwFlags = 0;
    h.dwOffset = 0;
    h.lpNext = nullptr;
    h.reserved = 0;
    Check(midiOutPrepareHeader(m_hStream, &h, sizeof(MIDIHDR)), "Prepare");
    Check(midiStreamOut(m_hStream, &h, sizeof(MIDIHDR)), "Out");
    m_nNextBuffer = (m_nNextBuffer + 1) % MIDI_BUFFER_COUNT;
}

DWORD cMidiStream::Convert(MIDIHDR& hdr) {
    std::uint8_t* out = reinterpret_cast<std::uint8_t*>(hdr.lpData);
    std::memset(out, 0, MIDI_BUFFER_SIZE);
    const std::uint8_t* img = m_Image.data();
    const std::size_t end = m_Image.size();
    DWORD used = 0;
    long lastWord = -1; // where the event word of the last event written lies
    auto put = [&](std::uint32_t delta, DWORD word) {
        std::memcpy(out + used, &delta, 4);
        std::memset(out + used + 4, 0, 4);
        std::memcpy(out + used + 8, &word, 4);
        lastWord = static_cast<long>(used + 8);
        used += 12;
    };
    auto closeBuffer = [&] {
        if (lastWord >= 0) {
            DWORD w;
            std::memcpy(&w, out + lastWord, 4);
            w |= MEVT_F_CALLBACK;
            std::memcpy(out + lastWord, &w, 4);
        }
    };
    auto takeDelta = [&](std::uint32_t delta) {
        std::uint64_t d = m_nCarry + delta;
        m_nCarry = 0;
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(d, 0xFFFFFFFFu));
    };
    while (m_nReadPos < end) {
        std::size_t p = m_nReadPos;
        std::uint32_t delta = 0;
        ReadVlq(img, p, end, delta); // the merged image is well formed
        std::uint8_t status = img[p++];
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len = 0;
            ReadVlq(img, p, end, len);
            DWORD padded = (len + 1 + 3) & ~3u;
            if (12 + padded > MIDI_BUFFER_SIZE) {
                // It could never fit into a buffer: it is left out, its delta carried on.
                ReportErr("Midi %s Sysex %u bytes skipped", m_FileName.c_str(), len + 1);
                m_nCarry += delta;
                m_nReadPos = static_cast<std::uint32_t>(p + len);
                continue;
            }
            if (used + 12 + padded > MIDI_BUFFER_SIZE) {
                closeBuffer();
                return used;
            }
            put(takeDelta(delta), MEVT_F_LONG | (len + 1));
            out[used] = status;
            std::memcpy(out + used + 1, img + p, len);
            used += padded;
            m_nReadPos = static_cast<std::uint32_t>(p + len);
            continue;
        }
        if (status == 0xFF) {
            std::uint8_t type = img[p++];
            std::uint32_t len = 0;
            ReadVlq(img, p, end, len);
            if (type == 0x2F) {
                if (used + 12 > MIDI_BUFFER_SIZE) {
                    closeBuffer();
                    return used;
                }
                // The end of the track, with the callback flag, so that the player's thread learns
                // of it.
                put(takeDelta(delta), MEVT_F_CALLBACK | 0x00002FFF);
                m_nReadPos = static_cast<std::uint32_t>(p + len);
                return used;
            }
            if (type == 0x51 && len == 3) {
                if (used + 12 > MIDI_BUFFER_SIZE) {
                    closeBuffer();
                    return used;
                }
                put(takeDelta(delta),
                    static_cast<DWORD>(MEVT_TEMPO) << 24 | img[p] << 16 | img[p + 1] << 8 | img[p + 2]);
                m_nReadPos = static_cast<std::uint32_t>(p + len);
                continue;
            }
            m_nCarry += delta;
            m_nReadPos = static_cast<std::uint32_t>(p + len);
            continue;
        }
        if (used + 12 > MIDI_BUFFER_SIZE) {
            closeBuffer();
            return used;
        }
        DWORD word = status;
        word |= static_cast<DWORD>(img[p]) << 8;
        if (DataBytes(status) == 2) word |= static_cast<DWORD>(img[p + 1]) << 16;
        put(takeDelta(delta), word);
        m_nReadPos = static_cast<std::uint32_t>(p + DataBytes(status));
    }
    return used;
}

void cMidiStream::Restart(int loop) {
    std::lock_guard lock(m_Lock);
    if (!HasImage()) return;
    m_bLoop = loop;
    if (m_nState == MIDI_PLAYING) return;
    Check(midiStreamRestart(m_hStream), "Restart");
    int before = m_nState;
    m_nState = MIDI_PLAYING;
    if (before == MIDI_STOPPED) FillAndQueue();
}

void cMidiStream::Stop(int mode) {
    std::lock_guard lock(m_Lock);
    if (!HasImage()) return;
    if (mode == 0) {
        Check(midiStreamStop(m_hStream), "Stop");
        m_nState = MIDI_STOPPED;
        m_nReadPos = MIDI_FIRST_EVENT;
        m_nCarry = 0;
        FillAndQueue();
    } else if (mode == 1 && m_nState == MIDI_PLAYING) {
        Check(midiStreamPause(m_hStream), "Pause");
        m_nState = MIDI_PAUSED;
    }
}

int cMidiStream::State() const {
    std::lock_guard lock(m_Lock);
    return m_nState;
}

std::uint32_t cMidiStream::ReadPosition() const {
    std::lock_guard lock(m_Lock);
    return m_nReadPos;
}

int cMidiStream::QueuedBuffers() const {
    std::lock_guard lock(m_Lock);
    int n = 0;
    if (m_Headers)
        for (int i = 0; i < MIDI_BUFFER_COUNT; ++i)
            if (m_Headers[i].dwFlags & MHDR_INQUEUE) ++n;
    return n;
}
