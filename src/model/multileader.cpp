#include "model/multileader.h"

#include <cmath>

namespace {


bool fini(const PointPlan& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

bool flecheFermee(const PointPlan& pointe, const PointPlan& vers, double taille,
                  std::array<PointPlan, 3>& triangle) {
    const double dx = vers.x - pointe.x, dy = vers.y - pointe.y;
    const double longueur = std::hypot(dx, dy);
    if (!(longueur > 0) || !(taille > 0) || !std::isfinite(taille) || !std::isfinite(longueur))
        return false;
    const double ux = dx / longueur * taille, uy = dy / longueur * taille;
    triangle = {pointe, PointPlan{pointe.x + ux - uy / 6, pointe.y + uy + ux / 6},
                PointPlan{pointe.x + ux + uy / 6, pointe.y + uy - ux / 6}};
    return true;
}

FigureRepere figureRepere(const MultiLeader& m) {
    FigureRepere f;
    const Block* bloc = m.getBlocFleche();
    const double taille = m.getTailleFleche();
    for (const MultiLeader::Branche& b : m.getBranches()) {
        if (m.getGenreLignes() != 0)
            for (const auto& sommets : b.lignes) {
                std::vector<PointPlan> ligne;
                for (const PointPlan& p : sommets)
                    if (fini(p)) ligne.push_back(p);
                if (b.aDernier && fini(b.dernier)) ligne.push_back(b.dernier);
                if (ligne.size() < 2) continue;
                // The arrowhead on the first point, along the first segment.
                std::array<PointPlan, 3> triangle;
                if (flecheFermee(ligne[0], ligne[1], taille, triangle) && !bloc)
                    f.fleches.push_back(triangle);
                else if (flecheFermee(ligne[0], ligne[1], taille, triangle))
                    f.blocsFleches.push_back(
                        Matrice::translation(ligne[0].x, ligne[0].y)
                            .apres(Matrice::rotation(
                                std::atan2(ligne[1].y - ligne[0].y, ligne[1].x - ligne[0].x) + kPi))
                            .apres(Matrice::echelle(taille, taille))
                            .apres(Matrice::translation(-bloc->getBpx(), -bloc->getBpy())));
                f.lignes.push_back(std::move(ligne));
            }
        // The dog-leg, from where the lines end, its direction made a unit.
        const double l = std::hypot(b.directionPalier.x, b.directionPalier.y);
        const double d = b.longueurPalier / l;
        const PointPlan fin{b.dernier.x + b.directionPalier.x * d,
                            b.dernier.y + b.directionPalier.y * d};
        if (m.hasPalier() && b.aDernier && l > 0 && d != 0 && fini(b.dernier) && fini(fin))
            f.paliers.push_back({b.dernier, fin});
    }
    return f;
}

void placerAttribut(const Attribut& a, const Insertion& bloc, double& x, double& y, double& taille,
                    DispositionTexte& d) {
    const Matrice m = bloc.placeeDans(Matrice{});
    x = a.getX();
    y = a.getY();
    m.appliquer(x, y);
    d = a.getDisposition();
    if (std::isfinite(d.x2) && std::isfinite(d.y2)) m.appliquer(d.x2, d.y2);
    d.angle += bloc.getAngle();
    const double sx = std::fabs(bloc.getSx()), sy = std::fabs(bloc.getSy());
    taille = a.getTaille() * sy;
    if (sy > 0) d.facteurLargeur *= sx / sy;
}
