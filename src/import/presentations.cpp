#include "import/presentations.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "import/dxfhandler.h"
#include "import/enregistrements.h"
#include "model/geometrie.h"

namespace {

std::string texteDe(const std::vector<Paire>& paires, int code) {
    for (const Paire& p : paires)
        if (p.code == code) return std::string(p.valeur);
    return {};
}

bool memeNom(const std::string& a, std::string_view b, bool prefixe) {
    if (a.size() < b.size() || (!prefixe && a.size() != b.size())) return false;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Notes the last entity of `bloc` under `poignee` when it is of kind T.
template <class T>
void ajouterContour(EspacePapier& papier, const std::string& poignee, const Block& bloc) {
    const auto& ordre = bloc.getOrdre();
    if (ordre.empty() || ordre.back().genre() != RangGenre<T, GenresEntites>::valeur) return;
    papier.ajouterContour(poignee, *bloc.liste<T>()[ordre.back().rang()]);
}

}  // namespace

bool estEspaceObjet(const std::string& nomBloc) { return memeNom(nomBloc, "*model_space", false); }
bool estEspacePapierActif(const std::string& nomBloc) {
    return memeNom(nomBloc, "*paper_space", false);
}
bool estBlocPapier(const std::string& nomBloc) { return memeNom(nomBloc, "*paper_space", true); }

void lireFenetreVue(const std::vector<Paire>& paires,
                    const std::unordered_map<std::string, std::string>& calques, FenetreVue& f) {
    PointPlan cible{};
    int etat = 1, drapeaux = 0;
    for (const Paire& q : paires) {
        const double v = reelDxflib(q.valeur);
        switch (q.code) {
            case 10:
                f.centre.x = v;
                break;
            case 20:
                f.centre.y = v;
                break;
            case 40:
                f.largeur = v;
                break;
            case 41:
                f.hauteur = v;
                break;
            case 12:
                f.centreVue.x = v;
                break;
            case 22:
                f.centreVue.y = v;
                break;
            case 17:
                cible.x = v;
                break;
            case 27:
                cible.y = v;
                break;
            case 45:
                f.hauteurVue = v;
                break;
            case 51:
                f.torsion = v * kPi / 180;
                break;
            case 68:
                etat = entierDxflib(q.valeur);
                break;
            case 69:
                f.id = entierDxflib(q.valeur);
                break;
            case 90:
                drapeaux = entierDxflib(q.valeur);
                break;
            case 340:
                f.decoupe = std::string(q.valeur);
                break;
            case 331:
            case 341: {
                const auto nom = calques.find(std::string(q.valeur));
                if (nom != calques.end()) f.calquesGeles.push_back(nom->second);
                break;
            }
            default:
                break;
        }
    }
    f.centreVue.x += cible.x;
    f.centreVue.y += cible.y;
    f.allumee = etat != 0 && !(drapeaux & 0x20000);
}

void lirePresentation(const std::vector<Paire>& paires, Presentation& p, std::string& poigneeBloc) {
    // The plot settings come first, then the layout's own part.
    bool presentation = false;
    int rotation = 0, unites = 1;
    double numerateur = 1, denominateur = 1;
    poigneeBloc.clear();
    for (const Paire& q : paires) {
        if (q.code == 100) {
            presentation = q.valeur.substr(0, 10) == "AcDbLayout";
            continue;
        }
        const double v = reelDxflib(q.valeur);
        if (presentation) {
            if (q.code == 1) p.nom = std::string(q.valeur);
            if (q.code == 71) p.ordre = entierDxflib(q.valeur);
            if (q.code == 330) poigneeBloc = std::string(q.valeur);
            continue;
        }
        if (q.code >= 40 && q.code <= 43) p.marges[q.code - 40] = v;
        if (q.code == 44) p.largeurPapier = v;
        if (q.code == 45) p.hauteurPapier = v;
        if (q.code == 46) p.origine.x = v;
        if (q.code == 47) p.origine.y = v;
        if (q.code == 72) unites = entierDxflib(q.valeur);
        if (q.code == 73) rotation = entierDxflib(q.valeur);
        if (q.code == 142) numerateur = v;
        if (q.code == 143) denominateur = v;
    }
    // Turned a quarter, the paper lies the other way.
    if (rotation == 1 || rotation == 3) std::swap(p.largeurPapier, p.hauteurPapier);
    // The print scale: paper units (inches when 72 says 0) for drawing
    // units.
    const double u = denominateur / (numerateur * (unites == 0 ? 25.4 : 1));
    p.unitesParMm = std::isfinite(u) && u > 0 ? u : 1;
    for (double* v : {&p.largeurPapier, &p.hauteurPapier, &p.origine.x, &p.origine.y})
        if (!std::isfinite(*v)) *v = 0;
    for (double& m : p.marges)
        if (!std::isfinite(m) || m < 0) m = 0;
}

// ------------------------------------------------------- the import handler

void DXFHandler::lireEspacePapier() {
    Block& racine = dessin->getBlocRoot();
    EspacePapier& papier = dessin->getEspacePapier();
    if (genreEnregistrement() == "LAYER") {
        const std::string poignee = texteDe(paires(), 5), nom = texteDe(paires(), 2);
        if (!poignee.empty()) nomsCalques[poignee] = nom;
    } else if (genreEnregistrement() == "VIEWPORT") {
        FenetreVue f;
        lireFenetreVue(paires(), nomsCalques, f);
        f.bloc = blocCourant;
        papier.ajouter(std::move(f));
    } else if (genreEnregistrement() == "LAYOUT") {
        Presentation p;
        std::string poigneeBloc;
        lirePresentation(paires(), p, poigneeBloc);
        const auto nom = nomsBlocs.find(poigneeBloc);
        if (nom != nomsBlocs.end()) {
            p.nomBloc = nom->second;
        } else {
            // Or through the block record that names the layout.
            const auto bloc = blocsPresentations.find(texteDe(paires(), 5));
            if (bloc != blocsPresentations.end()) p.nomBloc = bloc->second;
        }
        if (estEspaceObjet(p.nomBloc) || (p.nomBloc.empty() && p.nom == "Model")) return;
        if (p.nom.empty()) p.nom = p.nomBloc.empty() ? "Présentation" : p.nomBloc;
        p.racine = estEspacePapierActif(p.nomBloc);
        Block* bloc = p.racine ? &racine : dessin->getBloc(p.nomBloc);
        if (bloc) {
            p.bloc = bloc;
            p.insertion = std::make_unique<Insertion>(
                *bloc, 7, dessin->getCalqueRoot(), dessin->typeLigne("CONTINUOUS"), 0, 0, 1, 1, 0);
        } else if (std::none_of(papier.presentations().begin(), papier.presentations().end(),
                                [](const Presentation& q) { return !q.bloc; })) {
            // Said once a file.
            *erreurs_ << "Présentation \"" << p.nom << "\" : "
                      << (p.nomBloc.empty() ? "elle ne désigne aucun bloc"
                                            : "le bloc \"" + p.nomBloc + "\" n'existe pas")
                      << " ; seule sa feuille est dessinée." << std::endl;
        }
        papier.ajouter(std::move(p));
    } else if (attributes.isInPaperSpace() || estBlocPapier(blocCourant->nomRef())) {
        // An outline of paper space, which a viewport may be clipped to:
        // what this record has just added, when it added one.
        const std::string poignee = texteDe(paires(), 5);
        if (poignee.empty()) return;
        if (genreEnregistrement() == "CIRCLE")
            ajouterContour<Circle>(papier, poignee, *blocCourant);
        else if (genreEnregistrement() == "ELLIPSE")
            ajouterContour<Ellipse>(papier, poignee, *blocCourant);
        else if (genreEnregistrement() == "SPLINE")
            ajouterContour<Spline>(papier, poignee, *blocCourant);
        else
            ajouterContour<Polyline>(papier, poignee, *blocCourant);
    }
}
