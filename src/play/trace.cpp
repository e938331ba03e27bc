#include "play/trace.h"

#include "objects/effects.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "platform/crt_rand.h"

#include <cinttypes>
#include <cstdlib>
#include <cstring>

cPlayTrace g_PlayTrace;

namespace {

// FNV-1a over the values' bytes.
class Hasher {
  public:
    template <class T> void Add(const T& v) {
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &v, sizeof(T));
        for (unsigned char b : bytes) {
            m_nHash ^= b;
            m_nHash *= 0x100000001B3ull;
        }
    }
    std::uint64_t Value() const { return m_nHash; }

  private:
    std::uint64_t m_nHash = 0xCBF29CE484222325ull;
};

void AddObject(Hasher& h, const cGameObject& o) {
    h.Add(o.m_nId);
    h.Add(o.m_dX);
    h.Add(o.m_dY);
    h.Add(o.m_dVX);
    h.Add(o.m_dVY);
    h.Add(o.m_dAX);
    h.Add(o.m_dAY);
    h.Add(o.m_nDir);
}

void AddChara(Hasher& h, const cChara& c) {
    AddObject(h, c);
    h.Add(c.m_nHP);
    h.Add(c.m_nSP);
    h.Add(c.m_bDefeated);
    h.Add(c.m_dPushX);
    h.Add(c.m_dPushY);
    for (const cFlow& f : c.m_Flows) {
        h.Add(f.m_bRunning);
        h.Add(f.m_nReached);
        h.Add(f.m_nFramesRun);
        for (const cFlowCommand& cmd : f.m_Commands) {
            h.Add(cmd.m_bDone);
            h.Add(cmd.m_nRemain);
        }
    }
}

void AddPicture(Hasher& h, const cPictureLayer& p) {
    h.Add(p.m_nId);
    h.Add(p.m_dX);
    h.Add(p.m_dY);
    h.Add(p.m_nDisplayMode);
    h.Add(p.m_nFrames);
    h.Add(p.m_bFixed);
    h.Add(p.m_nScreenX);
    h.Add(p.m_nScreenY);
    h.Add(p.m_nWidth);
    h.Add(p.m_nHeight);
    h.Add(p.m_nLayer);
}

template <class List> int LiveCount(const List& list) {
    int n = 0;
    for (const auto& o : list)
        if (!o.m_bRemoved) ++n;
    return n;
}

} // namespace

std::uint64_t HashPlayState(const cGameScene& scene) {
    Hasher h;
    for (const cHero& hero : g_Heroes)
        AddChara(h, hero);
    for (const cStageChara& c : g_Charas)
        if (!c.m_bRemoved) AddChara(h, c);
    for (const cItem& i : g_Items)
        if (!i.m_bRemoved && !i.m_bTaken) AddObject(h, i);
    for (const cShot& s : scene.m_Shots)
        if (!s.m_bRemoved) AddObject(h, s);
    for (const cPictureLayer& p : g_ShownPictures)
        AddPicture(h, p);
    h.Add(g_nScore);
    h.Add(scene.m_nTimeLimit);
    h.Add(scene.m_nElapsedFrames);
    h.Add(scene.m_ScrollX.m_dPos);
    h.Add(scene.m_ScrollY.m_dPos);
    h.Add(crt::rand_state());
    return h.Value();
}

std::string FormatTraceLine(int frame, const cGameScene& scene, int endWord) {
    char hero[80] = "hero=-,- hp=0";
    if (!g_Heroes.empty()) {
        const cHero& h = g_Heroes[0];
        std::snprintf(hero, sizeof hero, "hero=%.3f,%.3f hp=%d", double{h.m_dX}, double{h.m_dY}, h.m_nHP);
    }
    char line[256];
    std::snprintf(
        line, sizeof line, "%d %s score=%d time=%d objs=%d,%d,%d pics=%zu,%zu end=%d hash=%016" PRIx64, frame,
        hero, g_nScore, scene.m_nTimeLimit, LiveCount(g_Charas), LiveCount(g_Items), LiveCount(scene.m_Shots),
        g_ShownPictures.size(), g_PictureSurfaces.size(), endWord, HashPlayState(scene));
    return line;
}

cPlayTrace::~cPlayTrace() {
    SetFile(nullptr);
}

bool cPlayTrace::Enabled() {
    if (!m_bDecided) {
        m_bDecided = true;
        if (const char* path = std::getenv("MIRELDA4_TRACE"); path && *path) {
            m_pFile = std::fopen(path, "w");
            m_bOwned = m_pFile != nullptr;
            if (!m_pFile) std::fprintf(stderr, "MIRELDA4_TRACE %s cannot be written\n", path);
        }
    }
    return m_pFile != nullptr;
}

void cPlayTrace::SetFile(std::FILE* file) {
    if (m_bOwned && m_pFile) std::fclose(m_pFile);
    m_pFile = file;
    m_bOwned = false;
    m_bDecided = true;
}

void cPlayTrace::WriteStep(const cGameScene& scene, int endWord) {
    if (!Enabled()) return;
    const std::string line = FormatTraceLine(++m_nFrame, scene, endWord);
    std::fprintf(m_pFile, "%s\n", line.c_str());
    std::fflush(m_pFile);
}
