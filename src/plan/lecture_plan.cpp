#include "plan/lecture_plan.h"

#include "import/dxfhandler.h"

void usage(std::ostream& sortie) { sortie << "\nUsage: test <DXF file>\n\n" << std::flush; }

std::unique_ptr<DXFHandler> testReading(const char* path, ResultatLecture& lu, std::ostream& sortie,
                                        std::ostream& erreurs) {
    sortie << "Reading file " << path << "...\n" << std::flush;
    DXFHandler::Options options;
    options.images = false;
    auto handler = std::make_unique<DXFHandler>(sortie, options);
    lu = lireDXF(path, *handler);
    if (lu.cause == ResultatLecture::Ouverture)
        erreurs << path << " could not be opened.\n" << std::flush;
    else if (!lu.message.empty())
        erreurs << lu.message << '\n' << std::flush;
    return handler;
}

std::unique_ptr<DXFHandler> testReading(const char* path, std::ostream& sortie,
                                        std::ostream& erreurs) {
    ResultatLecture lu;
    return testReading(path, lu, sortie, erreurs);
}

bool lectureAbandonnee(const ResultatLecture& lu) {
    return !lu.utilisable() && lu.cause != ResultatLecture::Ouverture;
}

int statutSortie(const ResultatLecture& lu) {
    if (lectureAbandonnee(lu)) return kStatutRefuse;
    return lu.issue == ResultatLecture::Incomplete ? kStatutIncomplet : 0;
}
