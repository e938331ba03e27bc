// The data-file container: a record with fields of every element size, arrays and texts, a list of
// such records, and the byte, word and text vectors, read from one file and written back.
#include "fuzz_support.h"

#include "records/serial_record.h"

namespace {

class cFuzzRecord : public cSerialRecord {
  public:
    std::int8_t b = 0;
    std::int16_t h = 0;
    std::int32_t w = 0;
    double d = 0;
    std::int32_t arr[7] = {};
    std::int64_t q = 0;
    std::string s1, s2;

    cFuzzRecord() { RegisterFor(g_nDataVersion); }
    void RegisterMembers(std::int32_t version) override {
        ClearMembers();
        DeclareField(&b);
        DeclareField(&h);
        DeclareField(&w);
        if (version >= 100) DeclareField(&d);
        DeclareField(arr, 7);
        if (version >= 500) DeclareField(&q);
        DeclareStringField(&s1);
        if (version >= 300) DeclareStringField(&s2);
    }
};

class cFuzzFile : public cFuzzRecord {
  public:
    cCheckedVector<cFuzzRecord> list;
    std::vector<std::uint8_t> flags;
    std::vector<std::int32_t> words;
    std::vector<std::string> texts;
    bool Load(std::FILE* fp) override {
        return cFuzzRecord::Load(fp) && LoadRecordList(fp, list) && LoadByteVector(fp, flags) &&
               LoadI32Vector(fp, words) && LoadStringVector(fp, texts);
    }
    bool Save(std::FILE* fp) override {
        return cFuzzRecord::Save(fp) && SaveRecordList(fp, list) && SaveByteVector(fp, flags) &&
               SaveI32Vector(fp, words) && SaveStringVector(fp, texts);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Init();
    if (!fuzz::PutFile("data\\container.dat", data, size)) return 0;
    g_bStripCR = size > 0 && (data[size - 1] & 1);
    cFuzzFile file;
    if (file.LoadFile("data\\container.dat")) {
        file.StripCR();
        cFuzzFile copy = file;
        copy.SaveFile("data\\container-out.dat");
    }
    g_bStripCR = 0;
    return 0;
}
