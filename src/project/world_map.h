// The world map of the story mode ("data\WorldMap.dat"): a grid of 32 x 32-pixel cells showing map
// tiles, with nodes (stage entrances and other places) standing on some cells.
//
// File layout: version word; the map's chunk (width, height, pitch, pitchShift, startX, startY,
// backColour, showBackPicture; name, backPicture); tiles (u32 count + chunks); cells (u32 n + n i32
// tile indexes); nodes (u32 count + node bodies); templates (the same). A node body is the node's
// chunk followed by its entry list. There is no end marker.
#pragma once

#include "app/checked_containers.h"
#include "records/serial_record.h"

#include <cstdint>
#include <string>
#include <vector>

// A tile kind that cells can show.
class cWorldMapTile : public cSerialRecord {
  public:
    std::int32_t nValue = 0;   // carried unchanged
    std::int32_t bBlocked = 0; // the marker cannot enter unless a node with an applicable entry stands there
    std::int32_t nPicture = 0; // cell of the map-chip sheet (5 columns of 32 x 32 cells)
    std::string szText;        // carried unchanged
    std::string szName;

    cWorldMapTile();
    void RegisterMembers(std::int32_t version) override;
};

// One meaning of a node; the first entry whose conditions hold is the node's current meaning.
class cWorldMapNodeEntry : public cSerialRecord {
  public:
    std::int32_t nKind = 0;
    std::int32_t nIcon = 0;
    std::int32_t nValues[4] = {}; // read by the world-map scene
    std::int32_t nFlag = 0;       // > 0: applies only while the save data's flag of this number is set
    std::int32_t nVariable = 0;   // != 0: applies only while this variable compares with nValue
    std::int32_t nValue = 0;
    std::int32_t nOperator = 0; // 0 ==, 1 !=, 2 >=, 3 <=, 4 >, 5 <, 6 divisible, 7 not divisible
    std::int32_t nMinimum = 0;  // applies only while the running total is at least this (stored since 209)
    std::string szTextA;
    std::string szTextB;

    cWorldMapNodeEntry();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
};

// True when a variable holding `variable` passes the entry's comparison.
bool WorldMapCompare(std::int32_t op, std::int32_t variable, std::int32_t value);

class cWorldMapNode : public cSerialRecord {
  public:
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::string szName;
    cCheckedVector<cWorldMapNodeEntry> m_Entries;

    cWorldMapNode(); // one default entry
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;
};

class cWorldMap : public cSerialRecord {
  public:
    // Stored grids are kept within this many cells on each side.
    static constexpr std::int32_t MAX_SIDE = 4096;
    // Tile pictures and node icons are numbers of 32 x 32 cells of their sheets, below this.
    static constexpr std::int32_t MAX_SHEET_CELLS = 65536;

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t pitch = 0;
    std::int32_t pitchShift = 0;
    cCheckedVector<cWorldMapTile> tiles;
    std::vector<std::int32_t> cells; // (y << pitchShift) + x
    cCheckedVector<cWorldMapNode> nodes;
    cCheckedVector<cWorldMapNode> templates; // loaded and kept, not used by the player
    std::int32_t startX = 0;
    std::int32_t startY = 0;
    std::int32_t backColour = 0;
    std::int32_t showBackPicture = 0;
    std::string name;
    std::string backPicture;

    cWorldMap();
    void SetDefaults();
    void RegisterMembers(std::int32_t version) override;
    bool Load(std::FILE* fp) override;
    bool Save(std::FILE* fp) override;

    // Resizes the grid, keeping the cells inside both sizes. 0 for a width or height of 0.
    int SetSize(std::int32_t newWidth, std::int32_t newHeight);
    // Start cell inside the grid, nodes outside it removed.
    void Normalise();
    // The first node standing on (x, y), or null.
    cWorldMapNode* FindNode(std::int32_t x, std::int32_t y);
    // The tile index of a cell (0 outside the grid).
    std::int32_t CellAt(std::int32_t x, std::int32_t y) const;

  private:
    bool LoadParts(std::FILE* fp);
};

extern cWorldMap g_WorldMap;
