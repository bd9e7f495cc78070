#include "scan/state.h"

ScanState &Scan() {
    static ScanState state;
    return state;
}
