#include "model/presentation.h"

#include "model/dessin.h"
#include "model/etendue.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool fini(double v) { return std::isfinite(v); }

}  // namespace

bool FenetreVue::montree() const {
    // A view under a millionth of the viewport's height, or over a million
    // times it, scales model space past what a picture shows.
    const double echelle = hauteur / hauteurVue;
    return allumee && id != 1 && fini(largeur) && fini(hauteur) && largeur > 0 && hauteur > 0 &&
           fini(centre.x) && fini(centre.y) && fini(centreVue.x) && fini(centreVue.y) &&
           fini(hauteurVue) && hauteurVue > 0 && fini(torsion) && echelle > 1e-6 && echelle < 1e6;
}

Matrice FenetreVue::matrice() const {
    const double echelle = hauteur / hauteurVue;
    return Matrice::translation(centre.x, centre.y)
        .apres(Matrice::rotation(torsion))
        .apres(Matrice::echelle(echelle, echelle))
        .apres(Matrice::translation(-centreVue.x, -centreVue.y));
}

std::vector<PointPlan> FenetreVue::rectangle() const {
    const double dx = largeur / 2, dy = hauteur / 2;
    return {{centre.x - dx, centre.y - dy},
            {centre.x + dx, centre.y - dy},
            {centre.x + dx, centre.y + dy},
            {centre.x - dx, centre.y + dy}};
}

Boite Presentation::feuille() const {
    Boite b;
    const double u = unitesParMm;
    if (!(largeurPapier > 0) || !(hauteurPapier > 0) || !(u > 0)) return b;
    // Paper space's origin is the corner of the printable area.
    const double x = -(marges[0] + origine.x) * u, y = -(marges[1] + origine.y) * u;
    b.ajouter(x, y);
    b.ajouter(x + largeurPapier * u, y + hauteurPapier * u);
    return b;
}

Boite Presentation::zoneImprimable() const {
    Boite b = feuille(), z;
    if (b.vide()) return z;
    const double u = unitesParMm;
    z.ajouter(b.x0 + marges[0] * u, b.y0 + marges[1] * u);
    z.ajouter(b.x1 - marges[2] * u, b.y1 - marges[3] * u);
    return z;
}

void EspacePapier::ajouter(Presentation p) {
    const auto place =
        std::upper_bound(presentations_.begin(), presentations_.end(), p.ordre,
                         [](int ordre, const Presentation& q) { return ordre < q.ordre; });
    presentations_.insert(place, std::move(p));
}

std::vector<std::string> EspacePapier::noms() const {
    std::vector<std::string> n{kNomObjet};
    for (const Presentation& p : presentations_) n.push_back(p.nom);
    return n;
}

long EspacePapier::chercher(const std::string& nomOuRang) const {
    const std::vector<std::string> n = noms();
    for (std::size_t i = 0; i < n.size(); ++i)
        if (n[i] == nomOuRang) return static_cast<long>(i);
    std::size_t rang = 0;
    const char* fin = nomOuRang.data() + nomOuRang.size();
    auto [p, e] = std::from_chars(nomOuRang.data(), fin, rang);
    if (nomOuRang.empty() || e != std::errc() || p != fin || rang >= n.size()) return -1;
    return static_cast<long>(rang);
}

const EspacePapier::Contour* EspacePapier::contour(const std::string& poignee) const {
    const auto c = contours_.find(poignee);
    return c == contours_.end() ? nullptr : &c->second;
}

void preparerPresentations(const Dessin& dessin) {
    for (const Presentation& p : dessin.getEspacePapier().presentations())
        if (p.bloc) {
            etendue(*p.bloc);
            etendueFeuille(*p.bloc, p.racine);
        }
}

Boite etenduePresentation(const Dessin& dessin, std::size_t rang) {
    const Presentation* p = dessin.getEspacePapier().presentation(rang);
    if (!p) return etendue(dessin);
    Boite b = p->feuille();
    const bool feuille = !b.vide();
    for (const FenetreVue& f : dessin.getEspacePapier().fenetres())
        if (p->bloc && f.bloc == p->bloc && f.montree())
            for (const PointPlan& c : f.rectangle()) b.ajouter(c.x, c.y);
    if (!feuille && p->bloc) b.ajouter(etendueFeuille(*p->bloc, p->racine));
    return b;
}
