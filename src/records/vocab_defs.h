// The file extensions of the project's files. Built on first use, like the tables of vocab_flow.h: texts in
// value order, closed by one empty string.
#pragma once

#include "records/vocab_flow.h"

// g_FileExt: the extensions of the project's files, "cplt4", "stg4", "plt4", "rkg" (read by the player).
const VocabTable& FileExtTable();
