#include "plan/lecture_plan.h"

#include "model/dessin.h"

void usage(std::ostream& sortie) { sortie << "\nUsage: test <DXF file>\n\n" << std::flush; }

std::shared_ptr<Dessin> testReading(const char* path, ResultatLecture& lu, std::ostream& sortie,
                                    std::ostream& erreurs) {
    sortie << "Reading file " << path << "...\n" << std::flush;
    OptionsImport options;
    options.images = false;
    LectureDessin lecture = lireDessin(path, sortie, options);
    lu = lecture.resultat;
    if (lu.cause == ResultatLecture::Ouverture)
        erreurs << path << " could not be opened.\n" << std::flush;
    else if (!lu.message.empty())
        erreurs << lu.message << '\n' << std::flush;
    return lecture.dessin ? lecture.dessin : std::make_shared<Dessin>();
}

std::shared_ptr<Dessin> testReading(const char* path, std::ostream& sortie, std::ostream& erreurs) {
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
