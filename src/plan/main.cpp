// tarsin-plan: the earlier viewer. It reads the drawing named on its command
// line, at the scale given after it.
#include <cstdlib>

#include "import/dxfhandler.h"
#include "model/trace.h"
#include "plan/lecture_plan.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 0;
    }
    const double echelle = argv[2] ? std::strtod(argv[2], nullptr) : 1.0;
    (void)echelle;
    Trace::installerVidageSurSignal();
    auto handler = testReading(argv[1]);
    return 0;
}
