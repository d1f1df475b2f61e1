#include "import/lecture.h"

#include <dxflib/dl_dxf.h>

#include "import/dxfhandler.h"

ResultatLecture lireDXF(const std::string& chemin, DXFHandler& handler) {
    ResultatLecture r;
    DL_Dxf dxf;
    if (dxf.in(chemin, &handler)) {
        r.issue = ResultatLecture::Reussie;
    } else {
        r.message = chemin + " n'a pas pu etre ouvert.";
    }
    handler.viderTrace();
    return r;
}

ResultatLecture lireDXF(std::istream& flux, DXFHandler& handler) {
    ResultatLecture r;
    DL_Dxf dxf;
    if (dxf.in(flux, &handler)) r.issue = ResultatLecture::Reussie;
    handler.viderTrace();
    return r;
}
