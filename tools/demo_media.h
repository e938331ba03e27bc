// The names of the demo project's sounds and music, shared by the records that list them and the
// writers that make the files. Paths are the project's own (backslashes, relative to its folder).
#pragma once

namespace demo_media {

// The 17 system sounds by number: 0 cursor, 1 confirm, 2 cancel, 3 refused, 4 pause, 5 save,
// 6 page, 7 damage, 8 hero lost, 9 character defeated, 10 bounce, 11 select, 12 message,
// 13 time warning, 14 stage clear, 15 extra life, 16 ranking registered.
inline constexpr int kSystemSoundCount = 17;
inline constexpr const char* kSystemSounds[kSystemSoundCount] = {
    "wave\\Cursor.wav", "wave\\Confirm.wav", "wave\\Cancel.wav",  "wave\\Buzzer.wav",  "wave\\Pause.wav",
    "wave\\Save.wav",   "wave\\Page.wav",    "wave\\Damage.wav",  "wave\\Miss.wav",    "wave\\Defeat.wav",
    "wave\\Bounce.wav", "wave\\Select.wav",  "wave\\Message.wav", "wave\\Warning.wav", "wave\\Clear.wav",
    "wave\\OneUp.wav",  "wave\\Ranking.wav"};

// The project's own sounds, entries 1 to 4 of its sound list (entry 0 means none).
struct NamedFile {
    const char* name;
    const char* file;
};
inline constexpr int kProjectSoundCount = 4;
inline constexpr NamedFile kProjectSounds[kProjectSoundCount] = {{"ジャンプ", "wave\\Jump.wav"},
                                                                 {"コイン", "wave\\Coin.wav"},
                                                                 {"ショット", "wave\\Shot.wav"},
                                                                 {"爆発", "wave\\Explosion.wav"}};

// The music files, entries 1 and 2 of the music list: the title scene plays entry 1, the other
// menus entry 2.
inline constexpr const char* kTitleOgg = "bgm\\Title.ogg";
inline constexpr const char* kTitleMidi = "bgm\\Title.mid";
inline constexpr NamedFile kMusic[2] = {{"タイトル", kTitleOgg}, {"タイトル（MIDI）", kTitleMidi}};

// The demo stage as the world map's nodes name it (the newest revision is played).
inline constexpr const char* kStageFile = "data\\stg4\\demo.stg4";

} // namespace demo_media
