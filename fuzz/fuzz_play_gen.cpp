// Play of generated projects: the input's bytes choose a small project's database (animations,
// effects, sword types, character and screen effects, special bitmaps), System.dat's play settings
// and texts, and a stage (settings, out-of-area limits, blocks, a hero, characters with flows of
// every trigger and command kind, items with item commands, the stage's palettes, code and message
// texts), plus player 1's input and the back-end. They are written through the records' own
// writers and played by the player started once in this process; some inputs are played twice,
// the two plays checked to be the same (play_driver.h, RepeatInput).
//
// Every stored field of a record can be changed: to a small value, an edge of its type, or any
// bits; the rest of each record keeps what the editor would have made.
#include "fuzz_support.h"
#include "play_driver.h"

#include "project/project_database.h"
#include "project/system_data.h"
#include "records/param_tables.h"
#include "records/vocab_flow.h"
#include "tools/flow_writer.h"
#include "tools/project_writer.h"
#include "tools/stage_writer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <limits>
#include <string>

namespace {

class Generator {
  public:
    explicit Generator(FuzzedDataProvider& p) : m_P(p) {}

    int Range(int lo, int hi) { return m_P.ConsumeIntegralInRange(lo, hi); }
    bool Chance() { return m_P.ConsumeBool(); }

    // Changes up to `most` stored fields of the record.
    void Mutate(cSerialRecord& record, int most) {
        record.RegisterFor(DATA_VERSION_CURRENT);
        const int changes = Range(0, most);
        for (int i = 0; i < changes && record.FieldCount() > 0; ++i) {
            FIELDDESC& f = record.FieldAt(Range(0, record.FieldCount() - 1));
            if (f.count <= 0) continue;
            auto* at = static_cast<unsigned char*>(f.address) + Range(0, f.count - 1) * f.size;
            Store(at, f.size);
        }
    }

    std::string Text(std::size_t most) { return m_P.ConsumeRandomLengthString(most); }

    // A code text put together from the evaluator's words.
    std::string Code() {
        static const char* const words[] = {
            "my.hp", "my.sp", "tg.hp", "pl.hp", "sys.v1", "my.v2", "C3",  "S5",         "score",       "time",
            "life",  "scrlx", "scrly", "rand(", ")",      "(",     ",",   " = ",        " + ",         " - ",
            " * ",   " / ",   " % ",   "1",     "7",      "-1",    "100", "2147483647", "-2147483648", "my.x",
            "my.y",  "my.vx", "my.vy", "mark",  "cid",    "power", "def", "stop",       "z",
        };
        std::string text;
        const int n = Range(0, 12);
        for (int i = 0; i < n; ++i)
            text += words[Range(0, static_cast<int>(std::size(words)) - 1)];
        return text;
    }

    std::int32_t Int() {
        std::int64_t v = 0;
        Value(v);
        return static_cast<std::int32_t>(v);
    }

  private:
    // Small numbers, the edges of the field's type, or any bits.
    void Value(std::int64_t& v) {
        static const std::int64_t edges[] = {
            0,          1,       -1,       2,         127,   128,        255,
            256,        32767,   -32768,   65535,     65536, 0x7fffffff, -0x7fffffffLL - 1,
            0x7ffffffe, 1000000, -1000000, 0x10000000};
        switch (Range(0, 7)) {
        case 0:
        case 1:
        case 2:
            v = Range(-4, 40);
            break;
        case 3:
            v = Range(-2000, 2000);
            break;
        case 4:
        case 5:
            v = edges[Range(0, static_cast<int>(std::size(edges)) - 1)];
            break;
        default:
            v = m_P.ConsumeIntegral<std::int64_t>();
            break;
        }
    }

    void Store(unsigned char* at, int size) {
        if (size == 8) {
            // Eight-byte fields are doubles.
            static const double values[] = {0.0, 0.4, -0.4, 1.0, 8.0, -1.0, 1e9, -1e9, 1e300, -1e300};
            const double d = Chance() ? values[Range(0, static_cast<int>(std::size(values)) - 1)]
                                      : m_P.ConsumeFloatingPoint<double>();
            std::memcpy(at, &d, sizeof d);
            return;
        }
        std::int64_t v = 0;
        Value(v);
        if (size == 1) {
            const auto b = static_cast<std::uint8_t>(v);
            std::memcpy(at, &b, 1);
        } else if (size == 2) {
            const auto w = static_cast<std::uint16_t>(v);
            std::memcpy(at, &w, 2);
        } else {
            const auto d = static_cast<std::uint32_t>(v);
            std::memcpy(at, &d, 4);
        }
    }

    FuzzedDataProvider& m_P;
};

cEdFlowCmd MakeCommand(Generator& g, bool item) {
    cEdFlowCmd cmd =
        item ? flow_writer::MakeItemCommand(static_cast<ItemCommandType>(g.Range(1, ICT_COUNT - 1)))
             : flow_writer::MakeCommand(static_cast<FlowCommandType>(g.Range(1, FCT_COUNT - 1)));
    const std::int8_t kind = cmd.m_nKind;
    const std::uint8_t isItem = cmd.m_bItem;
    g.Mutate(cmd, 3);
    // The kind stays one of its list (another kind would have another parameter list).
    cmd.m_nKind = kind;
    cmd.m_bItem = isItem;
    const int params = g.Range(0, static_cast<int>(cmd.m_Params.size()));
    for (int i = 0; i < params; ++i)
        cmd.m_Params.at(static_cast<std::size_t>(g.Range(0, static_cast<int>(cmd.m_Params.size()) - 1))) =
            g.Int();
    if (cmd.m_Move) g.Mutate(*cmd.m_Move, 4);
    if (cmd.m_Shot) g.Mutate(*cmd.m_Shot, 4);
    if (!item && kind == FCT_RUN_CODE)
        cmd.m_strText = g.Code();
    else if (!item && kind == FCT_MESSAGE)
        cmd.m_strText = g.Text(80);
    return cmd;
}

cEdFlow MakeFlow(Generator& g) {
    cEdFlow flow = flow_writer::MakeFlow(static_cast<FlowTriggerKind>(g.Range(0, FTK_COUNT - 1)));
    g.Mutate(flow, 2);
    flow.m_bEditorOnly = 0;
    const int conds = g.Range(0, 2);
    for (int i = 0; i < conds; ++i) {
        cEdFlowCond c;
        c.m_nKind = static_cast<std::int8_t>(g.Range(0, CK_COUNT - 1));
        g.Mutate(c, 5);
        flow.m_Conds.push_back(c);
    }
    if (flow.m_nTrigger == FTK_ALWAYS && g.Chance()) {
        cEdFlowEntry step =
            flow_writer::MakeKeyStep({{g.Range(0, 18), static_cast<std::uint8_t>(g.Range(1, 2))}});
        g.Mutate(step, 2);
        flow.m_KeySteps.push_back(step);
    }
    const int commands = g.Range(1, 4);
    for (int i = 0; i < commands; ++i)
        flow.m_Commands.push_back(MakeCommand(g, false));
    return flow;
}

void MakeDatabase(Generator& g, cProjectDatabase& db) {
    for (int i = g.Range(0, 2); i > 0; --i) {
        cEdAnimeSet set;
        g.Mutate(set, 3);
        for (cEdAnime& a : set.m_Animes) {
            if (!g.Chance()) continue;
            for (int f = g.Range(0, 3); f > 0; --f) {
                cEdAnimeFrame frame;
                g.Mutate(frame, 3);
                a.m_Frames.push_back(frame);
            }
            g.Mutate(a, 1);
        }
        db.m_AnimeSets.push_back(set);
    }
    for (int i = g.Range(0, 2); i > 0; --i) {
        cEdAnime a;
        for (int f = g.Range(0, 3); f > 0; --f) {
            cEdAnimeFrame frame;
            g.Mutate(frame, 3);
            a.m_Frames.push_back(frame);
        }
        db.m_Animes.push_back(a);
    }
    for (int i = g.Range(0, 3); i > 0; --i) {
        cEdEffect e;
        g.Mutate(e, 4);
        for (int f = g.Range(0, 3); f > 0; --f) {
            cEdEffectFrame frame;
            g.Mutate(frame, 2);
            e.m_Frames.push_back(frame);
        }
        db.m_Effects.push_back(e);
    }
    for (int i = g.Range(0, 2); i > 0; --i) {
        cEdSwordType s;
        g.Mutate(s, 2);
        for (cEdSwordFrame& f : s.m_Frames)
            g.Mutate(f, 4);
        db.m_SwordTypes.push_back(s);
    }
    for (int i = g.Range(0, 3); i > 0; --i) {
        cEffectRecord e;
        g.Mutate(e, 4);
        db.m_CharaEffects.push_back(e);
    }
    for (int i = g.Range(0, 3); i > 0; --i) {
        cScrEffectRecord e;
        g.Mutate(e, 4);
        db.m_ScrEffects.push_back(e);
    }
    for (int i = g.Range(0, 1); i > 0; --i) {
        cEdBmpCharaExc b;
        g.Mutate(b, 3);
        db.m_CharaBmps.push_back(b);
    }
}

void MakeSystemData(Generator& g, cSystemData& sd) {
    sd.m_nReplay = g.Range(0, 1);
    if (g.Chance()) sd.m_nExtraLifeScore = g.Int();
    if (g.Chance()) sd.m_nBlinkRate = g.Int();
    for (cStatusItem& item : sd.m_vStatusItems)
        if (g.Chance()) g.Mutate(item, 3);
    for (int i = g.Range(0, 3); i > 0; --i)
        sd.m_vstrTexts.at(static_cast<std::size_t>(g.Range(0, static_cast<int>(sd.m_vstrTexts.size()) - 1))) =
            g.Text(60);
    std::int32_t* compat[] = {&sd.m_nCompat214, &sd.m_nCompat261, &sd.m_nCompat272, &sd.m_nCompat287,
                              &sd.m_nCompat289, &sd.m_nCompat525, &sd.m_nCompat555, &sd.m_nCompat637,
                              &sd.m_nCompat669, &sd.m_nCompat677, &sd.m_nCompat695, &sd.m_nCompat728,
                              &sd.m_nCompat696, &sd.m_nCompat697, &sd.m_nCompat721};
    for (std::int32_t* c : compat)
        *c = g.Range(0, 1);
}

cEdStage MakeStage(Generator& g) {
    // Play areas of ordinary sizes: the set-up of huge ones is fuzzed by the stage reader.
    const int w = g.Range(20, 60);
    const int h = g.Range(15, 30);
    cEdStage st = stage_writer::MakeFloorStage(w, h);
    g.Mutate(st, 6);
    st.m_nWidth = w;
    st.m_nHeight = h;
    st.m_nHitLevel2 = 0;
    st.m_nExtentX = 0;
    st.m_nExtentY = 0;
    if (!g.Chance()) st.m_nStartBanner1 = st.m_nStartBanner2 = 0;
    for (cEdStageSub& limit : st.m_Limits)
        if (g.Chance()) g.Mutate(limit, 3);
    for (int i = g.Range(0, 1); i > 0; --i) {
        cEdCharaDef c = stage_writer::MakeChara(0, 0, 2);
        g.Mutate(c, 6);
        st.m_PaletteCharas.push_back(c);
    }
    for (int i = g.Range(0, 1); i > 0; --i) {
        cEdItemDef it = stage_writer::MakeItem(0, 0, 3);
        g.Mutate(it, 4);
        st.m_PaletteItems.push_back(it);
    }
    for (int i = g.Range(0, 1); i > 0; --i) {
        cEdBlockDef b = stage_writer::MakeBlock(0, 0, 1);
        g.Mutate(b, 4);
        st.m_PaletteBlocks.push_back(b);
    }
    for (int i = g.Range(0, 20); i > 0; --i) {
        cEdBlockDef b = stage_writer::MakeBlock(g.Range(0, w - 1), g.Range(0, h - 1), 1);
        g.Mutate(b, 4);
        st.m_Blocks.push_back(b);
    }
    cEdCharaDef& hero = st.m_Charas.at(0);
    g.Mutate(hero, 8);
    hero.m_nController = 0;
    if (hero.m_nPictureNo == 0) hero.m_nPictureNo = 1;
    for (int i = g.Range(0, 2); i > 0; --i)
        hero.m_Flows.push_back(MakeFlow(g));
    for (int i = g.Range(0, 5); i > 0; --i) {
        cEdCharaDef c = stage_writer::MakeChara(g.Range(0, w - 1), g.Range(0, h - 1), 2);
        g.Mutate(c, 6);
        for (int f = g.Range(0, 3); f > 0; --f)
            c.m_Flows.push_back(MakeFlow(g));
        st.m_Charas.push_back(c);
    }
    for (int i = g.Range(0, 4); i > 0; --i) {
        cEdItemDef it = stage_writer::MakeItem(g.Range(0, w - 1), g.Range(0, h - 1), 3);
        g.Mutate(it, 4);
        for (int c = g.Range(0, 3); c > 0; --c)
            it.m_Commands.push_back(MakeCommand(g, true));
        st.m_Items.push_back(it);
    }
    return st;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::AbsoluteArguments(argc, argv);
    fuzz::InitPlayer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InitPlayer();
    FuzzedDataProvider p(data, size);
    Generator g(p);
    fuzz::PlayRun run;
    run.d3d = g.Chance();
    run.frames = 60 + g.Range(0, 240);
    run.reloadProject = true;
    run.playerPath = "data\\stg4\\fuzz.stg4_000";

    cProjectDatabase db = project_writer::DemoDatabase();
    MakeDatabase(g, db);
    cSystemData sd = project_writer::DemoSystemData();
    MakeSystemData(g, sd);
    const cEdStage stage = MakeStage(g);
    for (int i = g.Range(0, 12); i > 0; --i)
        run.script += std::to_string(g.Range(1, 60)) + " " + std::to_string(g.Range(0, 15)) + " " +
                      std::to_string(g.Range(0, 255)) + "\n";

    const std::string folder = fuzz::WorkFolder();
    if (!project_writer::WriteDatabase(folder, db) || !project_writer::WriteSystemData(folder, sd, db))
        return 0;
    // The stage is checked against the project's lists while it is saved: it is written once the
    // database above is the running one.
    run.writeFiles = [&] { return stage_writer::WriteStageFile(folder, "fuzz", 0, stage); };
    run.repeat = fuzz::RepeatInput(data, size);
    fuzz::Play(run);
    return 0;
}
