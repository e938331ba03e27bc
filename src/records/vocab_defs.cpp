#include "records/vocab_defs.h"

const VocabTable& FileExtTable() {
    static const VocabTable table{"cplt4", "stg4", "plt4", "rkg", ""};
    return table;
}
