#include "records/record_env.h"

namespace {
const cFlowRecordEnv* g_lpFlowRecordEnv = nullptr;
}

const cFlowRecordEnv& FlowRecordEnv() {
    static const cFlowRecordEnv defaultEnv;
    return g_lpFlowRecordEnv ? *g_lpFlowRecordEnv : defaultEnv;
}

void SetFlowRecordEnv(const cFlowRecordEnv* env) {
    g_lpFlowRecordEnv = env;
}
