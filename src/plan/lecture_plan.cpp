#include "plan/lecture_plan.h"

#include "import/dxfhandler.h"
#include "import/lecture.h"

void usage(std::ostream& sortie) { sortie << "\nUsage: test <DXF file>\n\n" << std::flush; }

std::unique_ptr<DXFHandler> testReading(const char* path, std::ostream& sortie,
                                        std::ostream& erreurs) {
    sortie << "Reading file " << path << "...\n" << std::flush;
    DXFHandler::Options options;
    options.images = false;
    auto handler = std::make_unique<DXFHandler>(sortie, options);
    ResultatLecture r = lireDXF(path, *handler);
    if (!r.utilisable()) erreurs << path << " could not be opened.\n" << std::flush;
    return handler;
}
