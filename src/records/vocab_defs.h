// Vocabularies of block, character and item definitions, of movement and shot settings and of the stage
// record, and the file extensions of the project's files. Built on first use, like those of vocab_flow.h:
// texts in value order, closed by one empty string.
#pragma once

#include "records/vocab_flow.h"

// Palette selectors and block options.
const VocabTable& VocabInheritPalette(); // "継承しない", "コモンパレット", "ステージパレット"
const VocabTable& VocabInheritPaletteCommon(); // "継承しない", "コモンパレット"
const VocabTable& VocabInheritPaletteStage();  // "継承しない", "ステージパレット"
const VocabTable& VocabInheritPaletteNone();   // "継承しない"
const VocabTable& VocabEntryPalette();       // "なし", "コモンパレット", "ステージパレット"
const VocabTable& VocabEntryPaletteCommon(); // "なし", "コモンパレット"
const VocabTable& VocabEntryPaletteStageFirst(); // "ステージパレット", "コモンパレット"
const VocabTable& VocabPictureKindA();
const VocabTable& VocabPictureKindB();
const VocabTable& VocabVisibility();
const VocabTable& VocabHitBehaviour();
const VocabTable& VocabNumberedWithNone();
const VocabTable& VocabHeroAction();
const VocabTable& VocabSwitchA();
const VocabTable& VocabSwitchB();
const VocabTable& VocabSwitchC();

// Character definitions.
const VocabTable& VocabController();
const VocabTable& VocabOneNumbered();
const VocabTable& VocabCharaFlying();
const VocabTable& VocabCharaInvincible();
const VocabTable& VocabCharaSwitch();
const VocabTable& VocabEnlarge();       // with "しない" first
const VocabTable& VocabEnlargeNoNone(); // "×4" first
const VocabTable& VocabSightArea();
const VocabTable& VocabHitRangeUsed();
const VocabTable& VocabActivityArea();
const VocabTable& VocabActivationRule();

// Item definitions.
const VocabTable& VocabItemTakeMode();

// Movement settings.
const VocabTable& VocabMoveTargetMode();     // two entries
const VocabTable& VocabMoveTargetModeLong(); // three entries
const VocabTable& VocabDirection();
const VocabTable& VocabCoordBase();
const VocabTable& VocabCoordBaseShort();
const VocabTable& VocabTurnSense();
const VocabTable& VocabFacingChange();
const VocabTable& VocabGivenValues3();
const VocabTable& VocabGivenValues2();
const VocabTable& VocabJumpHeight();
const VocabTable& VocabLengthUnit();

// Shot and summon settings.
const VocabTable& VocabAimReference();
const VocabTable& VocabBlockSummonMode();
const VocabTable& VocabSummonPalette();
const VocabTable& VocabSummonPaletteCommon();
const VocabTable& VocabShotPicturePalette();
const VocabTable& VocabShotFormation(); // formations 0-5 (their values: ShotFormationParams)
const VocabTable& VocabShotMoveKind();  // shot movement kinds 0-9 (their values: ShotMoveParams)

// Stage settings.
const VocabTable& VocabScrolling();
const VocabTable& VocabResizeH();
const VocabTable& VocabResizeV();
const VocabTable& VocabHitLevel();
const VocabTable& VocabHitLevel2();
const VocabTable& VocabPlacementA();
const VocabTable& VocabPlacementB();
const VocabTable& VocabDisplayMode();
const VocabTable& VocabRangeColour();
const VocabTable& VocabOrientation();

// Other lists.
const VocabTable& VocabColourNames();

// g_FileExt: the extensions of the project's files, "cplt4", "stg4", "plt4", "rkg" (read by the player).
const VocabTable& FileExtTable();
