#include "records/record_env.h"

namespace {
const cFlowRecordEnv* g_lpFlowRecordEnv = nullptr;
}

const cFlowRecordEnv& FlowRecordEnv() {
    static const cFlowRecordEnv defaultEnv;
    return g_lpFlowRecordEnv ? *g_lpFlowRecordEnv : defaultEnv;
}

const cFlowRecordEnv* SetFlowRecordEnv(const cFlowRecordEnv* env) {
    const cFlowRecordEnv* previous = g_lpFlowRecordEnv;
    g_lpFlowRecordEnv = env;
    return previous;
}
