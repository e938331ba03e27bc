#include "project/world_map.h"

#include "app/log.h"

#include <algorithm>
#include <cstdlib>

cWorldMap g_WorldMap;

// ---- tiles ----

cWorldMapTile::cWorldMapTile() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cWorldMapTile::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&nValue);
    DeclareField(&bBlocked);
    DeclareField(&nPicture);
    DeclareStringField(&szText);
    DeclareStringField(&szName);
}

// ---- node entries ----

cWorldMapNodeEntry::cWorldMapNodeEntry() {
    RegisterMembers(g_nDataVersion);
    Reset();
}

void cWorldMapNodeEntry::RegisterMembers(std::int32_t version) {
    ClearMembers();
    DeclareField(&nKind);
    DeclareField(&nIcon);
    for (auto& v : nValues) // four fields of their own
        DeclareField(&v);
    DeclareField(&nFlag);
    DeclareField(&nVariable);
    DeclareField(&nValue);
    DeclareField(&nOperator);
    if (version >= 209) DeclareField(&nMinimum);
    DeclareStringField(&szTextA);
    DeclareStringField(&szTextB);
}

bool cWorldMapNodeEntry::Load(std::FILE* fp) {
    bool ok = cSerialRecord::Load(fp);
    if (g_nLoadVersion < 209) nMinimum = 0;
    return ok;
}

bool WorldMapCompare(std::int32_t op, std::int32_t variable, std::int32_t value) {
    // 64 bits: the absolute value of the smallest integer and its remainder by -1 are well defined.
    const std::int64_t v = variable;
    const std::int64_t a = value;
    switch (op) {
    case 0:
        return v == a;
    case 1:
        return v != a;
    case 2:
        return v >= a;
    case 3:
        return v <= a;
    case 4:
        return v > a;
    case 5:
        return v < a;
    case 6:
        return a == 0 || std::llabs(v) % a == 0;
    case 7:
        return a != 0 && std::llabs(v) % a != 0;
    default:
        return false;
    }
}

// ---- nodes ----

cWorldMapNode::cWorldMapNode() {
    RegisterMembers(g_nDataVersion);
    Reset();
    m_Entries.assign(1, cWorldMapNodeEntry());
}

void cWorldMapNode::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&x);
    DeclareField(&y);
    DeclareStringField(&szName);
}

bool cWorldMapNode::Load(std::FILE* fp) {
    if (!cSerialRecord::Load(fp)) return false;
    return LoadRecordList(fp, m_Entries, cWorldMapNodeEntry());
}

bool cWorldMapNode::Save(std::FILE* fp) {
    if (!cSerialRecord::Save(fp)) return false;
    return SaveRecordList(fp, m_Entries);
}

// ---- the map ----

namespace {

int PitchShiftFor(std::int32_t width) {
    int shift = 0;
    for (std::int32_t w = width - 1; w > 0; w /= 2)
        ++shift;
    return shift;
}

} // namespace

cWorldMap::cWorldMap() {
    RegisterMembers(g_nDataVersion);
    SetDefaults();
}

void cWorldMap::SetDefaults() {
    Reset();
    name = "ワールド";
    startX = 9;
    startY = 7;
    backColour = 16;
    showBackPicture = 0;
    backPicture.clear();
    tiles.assign(10, cWorldMapTile());
    for (int i = 0; i < 10; ++i) {
        tiles[i].nPicture = i;
        tiles[i].bBlocked = i < 5 ? 1 : 0;
        tiles[i].szName = i < 5 ? "通行不可" : "通行可";
    }
    cells.clear();
    width = height = pitch = pitchShift = 0;
    SetSize(20, 15);
    nodes.clear();
    templates.assign(1, cWorldMapNode());
    templates[0].szName = "デフォルト";
}

void cWorldMap::RegisterMembers(std::int32_t) {
    ClearMembers();
    DeclareField(&width);
    DeclareField(&height);
    DeclareField(&pitch);
    DeclareField(&pitchShift);
    DeclareField(&startX);
    DeclareField(&startY);
    DeclareField(&backColour);
    DeclareField(&showBackPicture);
    DeclareStringField(&name);
    DeclareStringField(&backPicture);
}

int cWorldMap::SetSize(std::int32_t newWidth, std::int32_t newHeight) {
    if (newWidth <= 0 || newHeight <= 0) {
        DebugErrorBox("SetSize()で 0 を指定しました！");
        return 0;
    }
    std::vector<std::int32_t> old;
    const std::int32_t oldWidth = width, oldHeight = height, oldShift = pitchShift;
    if (!cells.empty()) {
        DebugErrorBox("nBeforeWidth = %d,nBeforePitch = %d,nBeforePitch_Shift = %d", width, pitch,
                      pitchShift);
        old.swap(cells);
    }
    width = newWidth;
    height = newHeight;
    pitchShift = PitchShiftFor(newWidth);
    pitch = 1 << pitchShift;
    cells.assign(static_cast<std::size_t>(height) * static_cast<std::size_t>(pitch), 0);
    for (std::int32_t y = 0; y < std::min(oldHeight, height); ++y)
        for (std::int32_t x = 0; x < std::min(oldWidth, width); ++x) {
            const std::size_t from = (static_cast<std::size_t>(y) << oldShift) + x;
            if (from < old.size()) cells[(static_cast<std::size_t>(y) << pitchShift) + x] = old[from];
        }
    return 1;
}

void cWorldMap::Normalise() {
    if (startX >= width) startX = width - 1;
    if (startY >= height) startY = height - 1;
    // A start cell above or left of the grid is moved onto it as well.
    startX = std::max(startX, 0);
    startY = std::max(startY, 0);
    std::erase_if(
        nodes, [&](const cWorldMapNode& n) { return n.x >= width || n.y >= height || n.x < 0 || n.y < 0; });
}

bool cWorldMap::Load(std::FILE* fp) {
    if (LoadParts(fp)) return true;
    // A damaged file leaves the default map rather than a half-read one.
    SetDefaults();
    return false;
}

bool cWorldMap::LoadParts(std::FILE* fp) {
    // A map chunk that does not store its size (an emptied file) is refused below.
    width = height = 0;
    if (!cSerialRecord::Load(fp)) return false;
    if (!LoadRecordList(fp, tiles, cWorldMapTile())) return false;
    if (!LoadI32Vector(fp, cells)) return false;
    if (!LoadRecordList(fp, nodes, cWorldMapNode())) return false;
    if (!LoadRecordList(fp, templates, cWorldMapNode())) return false;
    // A grid that no editor could have made is refused rather than allocated.
    if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE) return false;
    // Pitch and cell count follow from the width, so that every cell index stays inside the list
    // whatever the file stored.
    pitchShift = PitchShiftFor(width);
    pitch = 1 << pitchShift;
    cells.resize(static_cast<std::size_t>(height) * static_cast<std::size_t>(pitch), 0);
    // A cell naming a tile that does not exist shows tile 0.
    for (auto& c : cells)
        if (c < 0 || c >= tiles.Count()) c = 0;
    // Sheet cells are drawn from (number x 32): a number no picture could hold shows cell 0.
    auto onSheet = [](std::int32_t& cell) {
        if (cell < 0 || cell >= MAX_SHEET_CELLS) cell = 0;
    };
    for (auto& tile : tiles)
        onSheet(tile.nPicture);
    for (auto& node : nodes)
        for (auto& entry : node.m_Entries)
            onSheet(entry.nIcon);
    Normalise();
    return true;
}

bool cWorldMap::Save(std::FILE* fp) {
    Normalise();
    if (!cSerialRecord::Save(fp)) return false;
    if (!SaveRecordList(fp, tiles)) return false;
    if (!SaveI32Vector(fp, cells)) return false;
    if (!SaveRecordList(fp, nodes)) return false;
    return SaveRecordList(fp, templates);
}

cWorldMapNode* cWorldMap::FindNode(std::int32_t x, std::int32_t y) {
    for (auto& n : nodes)
        if (n.x == x && n.y == y) return &n;
    return nullptr;
}

std::int32_t cWorldMap::CellAt(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    const std::size_t i = (static_cast<std::size_t>(y) << pitchShift) + x;
    return i < cells.size() ? cells[i] : 0;
}
