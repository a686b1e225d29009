#include "gen3/gen3.h"

namespace dec {

int separate_gen3(RunContext& run, const char*, const char*, uint32_t) {
    run.con.out().put("Generation-3 containers are not supported by this decoder build.\n");
    return -1;
}

}  // namespace dec
