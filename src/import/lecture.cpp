#include "import/lecture.h"

#include <string>

#include "import/dxfhandler.h"
#include "import/garde.h"
#include "model/etendue.h"

namespace {

std::string messagePour(ResultatLecture::Cause cause, const std::string& nom, std::size_t ligne) {
    switch (cause) {
        case ResultatLecture::Aucune:
            return "";
        case ResultatLecture::Ouverture:
            return nom + " n'a pas pu etre ouvert.";
        case ResultatLecture::Dossier:
            return nom + " est un dossier, pas un fichier DXF.";
        case ResultatLecture::FichierSpecial:
            return nom + " n'est pas un fichier ordinaire.";
        case ResultatLecture::TropVolumineux:
            return nom + " est trop volumineux : plus de " + std::to_string(kTailleMaxDXF >> 20) +
                   " Mo.";
        case ResultatLecture::ErreurLecture:
            return nom + " n'a pas pu etre lu.";
        case ResultatLecture::Vide:
            return nom + " est vide.";
        case ResultatLecture::PasDXF:
            return nom + " n'est pas un fichier DXF.";
        case ResultatLecture::DXFBinaire:
            return nom + " est un fichier DXF binaire : seuls les DXF texte sont lus.";
        case ResultatLecture::LigneTropLongue:
            return nom + " n'a pas pu etre lu : sa ligne " + std::to_string(ligne) + " depasse " +
                   std::to_string(kLigneMaxDXF) + " caracteres.";
        case ResultatLecture::Tronque:
            return nom + " est incomplet : il s'arrete avant sa fin, seul son debut est lu.";
        case ResultatLecture::RienLu:
            return nom + " contient des entites, mais aucune n'a pu etre lue.";
        case ResultatLecture::Memoire:
            return nom + " n'a pas pu etre lu : memoire insuffisante.";
        case ResultatLecture::ErreurInterne:
            return nom + " n'a pas pu etre lu : erreur de dxflib.";
        case ResultatLecture::Annulee:
            return nom + " : lecture interrompue.";
    }
    return nom + " n'a pas pu etre lu.";
}

ResultatLecture resultat(ResultatLecture::Issue issue, ResultatLecture::Cause cause,
                         const std::string& nom, std::size_t ligne = 0) {
    ResultatLecture r;
    r.issue = issue;
    r.cause = cause;
    r.message = messagePour(cause, nom, ligne);
    return r;
}

}  // namespace

namespace {

// Checks `texte`, then has dxflib read it into `handler`; `fichier`, when
// given, holds `texte` and is given back as it is read.
ResultatLecture lire(std::string_view texte, const std::string& nom, DXFHandler& handler,
                     TexteFichier* fichier, SuiviLecture* suivi = nullptr) {
    const Controle controle(texte, suivi ? &suivi->annulation : nullptr);
    if (controle.refus() != ResultatLecture::Aucune)
        return resultat(ResultatLecture::Echec, controle.refus(), nom, controle.ligneTropLongue());
    const ResultatLecture::Cause lu = lireAvecDxflib(controle.texte(), handler, fichier, suivi);
    handler.viderTrace();
    if (suivi && suivi->annulation)
        return resultat(ResultatLecture::Echec, ResultatLecture::Annulee, nom);
    handler.ordonnerSelonTables();
    // The extents of every block, once, while the drawing is still the
    // reader's alone: afterwards painters on several threads only read them.
    etendue(*handler.getDessin());
    preparerPresentations(*handler.getDessin());
    if (lu != ResultatLecture::Aucune) return resultat(ResultatLecture::Echec, lu, nom);
    // Entities in the file and none in the drawing: the file is not what it
    // seems, and an empty drawing shown for it would say otherwise.
    if (controle.entites() > 0 && handler.entitesRecues() == 0)
        return resultat(ResultatLecture::Echec, ResultatLecture::RienLu, nom);
    ResultatLecture r = controle.complet()
                            ? resultat(ResultatLecture::Reussie, ResultatLecture::Aucune, nom)
                            : resultat(ResultatLecture::Incomplete, ResultatLecture::Tronque, nom);
    if (controle.ligneCoupee() != 0) {
        if (!r.message.empty()) r.message += ' ';
        r.message += nom + " : la valeur de sa ligne " + std::to_string(controle.ligneCoupee()) +
                     " depasse " + std::to_string(kLigneMaxDXF) +
                     " caracteres ; elle est coupee, le reste est lu.";
    }
    return r;
}

}  // namespace

ResultatLecture lireTexteDXF(std::string_view texte, const std::string& nom, DXFHandler& handler) {
    return lire(texte, nom, handler, nullptr);
}

ResultatLecture lireDXF(const std::string& chemin, DXFHandler& handler, SuiviLecture* suivi) {
    // Pictures named by relative paths may lie beside the drawing.
    const std::size_t barre = chemin.rfind('/');
    handler.getDessin()->setDossier(barre == std::string::npos ? "." : chemin.substr(0, barre + 1));
    TexteFichier contenu;
    const ResultatLecture::Cause charge =
        chargerFichier(chemin, contenu, suivi ? &suivi->annulation : nullptr);
    if (charge != ResultatLecture::Aucune) return resultat(ResultatLecture::Echec, charge, chemin);
    return lire(contenu.vue(), chemin, handler, &contenu, suivi);
}

ResultatLecture lireDXF(std::istream& flux, DXFHandler& handler, const std::string& nom) {
    std::string contenu;
    const ResultatLecture::Cause charge = chargerFlux(flux, contenu);
    if (charge != ResultatLecture::Aucune) return resultat(ResultatLecture::Echec, charge, nom);
    return lire(contenu, nom, handler, nullptr);
}

LectureDessin lireDessin(const std::string& chemin, std::ostream& trace,
                         const OptionsImport& options, SuiviLecture* suivi) {
    DXFHandler handler(trace, options);
    LectureDessin l;
    l.resultat = lireDXF(chemin, handler, suivi);
    if (l.resultat.utilisable()) l.dessin = handler.getDessin();
    return l;
}
