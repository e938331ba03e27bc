// The table of fixed paths, the data folders made at start-up, and the path helpers.
//
// Every path of the system is relative to the working folder (the folder the program was started in)
// and written as Windows writes it: CP932 text with backslashes. The helpers work on buffers of
// MAX_PATH (260) bytes; a path that would not fit (260 bytes or more with its NUL) is refused with
// false and nothing is written past the buffer.
#pragma once
#include "platform/win_types.h"

#include <string>

constexpr int MAX_PATH = 260;

// Indexes of g_PathTable that the player reads.
enum PathIndex : int {
    PATH_DATA = 0,
    PATH_DEFAULT = 1,
    PATH_COMMON_PALETTE = 7,
    PATH_WORLDMAP = 13,
    PATH_DB_ANIMESET = 15,
    PATH_DB_ANIME = 17,
    PATH_DB_BMP_CHARAEXC = 19,
    PATH_DB_SWORDTYPE = 21,
    PATH_DB_EFFECT = 23,
    PATH_DB_CHARAEFFECT = 25,
    PATH_DB_SCREFFECT = 27,
    PATH_DB_PICTURE = 29,
    PATH_DB_SOUND = 31,
    PATH_DB_BGM = 33,
    PATH_SYSTEM_DAT = 35,
    PATH_CHALLENGE_STAGE_PREFIX = 37,
    PATH_USER_STORY = 38,
    PATH_USER_CHALLENGE = 39,
    PATH_USER_FREE = 40,
    PATH_STORY_SLOT_PREFIX = 41,
    PATH_CHALLENGE_DAT = 42,
    PATH_OPTION_DAT = 43,
    PATH_USER_DATA = 44,
    PATH_KEYCONFIG_DAT = 45,
    PATH_BOOT_DAT = 46,
    PATH_WINDOW_DAT = 47,
};

constexpr int PATH_TABLE_SIZE = 48;
// Built before any other global that includes this header, so it may be read at static initialisation.
inline const std::string g_PathTable[PATH_TABLE_SIZE] = {
    "data\\",
    "default\\",
    "data\\stg4\\old_ver\\",
    "data\\work\\",
    "e_data\\EditConfig.dat",
    "data\\PrjOption.dat",
    "default\\PrjOption.dat",
    "data\\CommonPalette.cplt4",
    "default\\CommonPalette.cplt4",
    "data\\GValInfo.dat",
    "default\\GValInfo.dat",
    "data\\stg4\\Default.stg4_***",
    "default\\stg4\\Default.stg4_***",
    "data\\WorldMap.dat",
    "default\\WorldMap.dat",
    "data\\database\\AnimeSet.dat",
    "default\\database\\AnimeSet.dat",
    "data\\database\\Anime.dat",
    "default\\database\\Anime.dat",
    "data\\database\\Bmp_CharaExc.dat",
    "default\\database\\Bmp_CharaExc.dat",
    "data\\database\\SwordType.dat",
    "default\\database\\SwordType.dat",
    "data\\database\\Effect.dat",
    "default\\database\\Effect.dat",
    "data\\database\\CharaEffect.dat",
    "default\\database\\CharaEffect.dat",
    "data\\database\\ScrEffect.dat",
    "default\\database\\ScrEffect.dat",
    "data\\database\\Picture.dat",
    "default\\database\\Picture.dat",
    "data\\database\\Sound.dat",
    "default\\database\\Sound.dat",
    "data\\database\\Bgm.dat",
    "default\\database\\Bgm.dat",
    "data\\System.dat",
    "default\\System.dat",
    "data\\stg4\\c",
    "user_data\\story\\",
    "user_data\\challenge\\",
    "user_data\\free\\",
    "user_data\\story\\Story",
    "user_data\\challenge\\Challenge.dat",
    "user_data\\Option.dat",
    "user_data\\",
    "user_data\\KeyConfig.dat",
    "user_data\\Boot.dat",
    "user_data\\Window.dat",
};

// The folders start-up makes, in this order, closed by a null entry.
constexpr int SYSTEM_FOLDER_COUNT = 22;
inline const char* const g_SystemFolders[SYSTEM_FOLDER_COUNT + 1] = {
    "user_data",
    "user_data\\story",
    "user_data\\challenge",
    "user_data\\free",
    "user_data\\rpl4",
    "data",
    "data\\database",
    "data\\stg4",
    "data\\stg4\\old_ver",
    "data\\work",
    "data\\plt4",
    "bmp",
    "bmp\\back",
    "bmp\\chara_sp",
    "bmp\\effect",
    "bmp\\picture",
    "bmp\\sword",
    "bmp\\convert",
    "bmp\\plt",
    "bmp\\hbt",
    "wave",
    "bgm",
    nullptr,
};

// Makes every folder of g_SystemFolders; folders that exist stay as they are, failures are ignored.
void CreateSystemFolders();
// Clears the temporary files that interrupted saves left in the user folders; one that may hold
// what another player wrote is kept beside its file, and a line of the report log names it.
void RemoveLeftoverTempFiles();

// When "data\" is missing and "default\" exists, asks the user and copies "default\" to "data\"
// (a failed copy is removed again). True when "data\" exists afterwards.
bool EnsureDataFolder(win::HWND owner);

// A relative path becomes the full path against the working folder ("." and ".." resolved); an
// absolute path stays. False when the working folder cannot be read or the result does not fit.
bool MakeFullPath(char* path);
// An absolute path becomes relative to the working folder (".\\" for paths below it, "..\\" to go
// up); a relative path stays. False (path unchanged) when the working folder cannot be read or the
// result does not fit.
bool MakeRelativePath(char* path);
bool MakeRelativePathStr(std::string& path);

// Reduces the path in place to the text after its last separator ('\\' or '/'). Lead and trail bytes are
// paired from the start of the text, so a 0x5C that is the second byte of a character is never a separator.
void SplitPathSjis(char* path);

// out := path with the text after its last '.' replaced by ext (ext null: the '.' and what follows
// removed). False when there is no '.' (out then holds the copy) or the path does not fit.
bool ReplaceExtension(char* out, const char* path, const char* ext);

// The highest revision "<base>_999" ... "<base>_000" that exists (file or folder), where base is the
// path with its extension replaced by ext (the path itself when it has no '.'). False when none
// exists (out unchanged).
bool FindLatestNumberedFile(char* out, const char* path, const char* ext);
bool FindLatestNumberedFileStr(std::string& out, const std::string& path, const std::string& ext);
