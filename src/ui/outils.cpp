#include "ui/outils.h"

#include <gtkmm/stock.h>

#include <algorithm>
#include <cmath>

#include "model/mesures.h"
#include "render/polices.h"
#include "render/proprietes.h"
#include "ui/reglages.h"

namespace {

// How near, in pixels, a click designates an object and a pointer snaps.
constexpr double kPixelsDesignation = 4;
constexpr double kPixelsAccroche = 8;
// Rows of found texts the list shows at most.
constexpr std::size_t kLignesTrouvailles = 10000;

void tracer(cairo_t* k, const Matrice& m, const std::vector<PointPlan>& l) {
    for (std::size_t i = 0; i < l.size(); ++i) {
        double x = l[i].x, y = l[i].y;
        m.appliquer(x, y);
        if (i == 0)
            cairo_move_to(k, x, y);
        else
            cairo_line_to(k, x, y);
    }
}

}  // namespace

OutilsDessin::OutilsDessin(Gtk::Window& f, DXFArea& z, std::function<void(const std::string&)> d)
    : fenetre(f),
      zone(z),
      dire(std::move(d)),
      boutonMesurer("Mesurer"),
      boutonCadre("Zoom fenêtre"),
      boutonRechercher("Rechercher"),
      boutonPrecedente("Vue précédente"),
      caseFondNoir("Fond noir"),
      cadreProprietes("Propriétés") {
    boutonMesurer.set_tooltip_text(
        "Mesurer une distance (deux clics) ou une surface (clic par point, double clic ou "
        "Entrée pour fermer), accroché aux objets");
    boutonRechercher.set_tooltip_text("Rechercher un texte du dessin (Ctrl+F)");
    boutonPrecedente.set_tooltip_text("Revenir à la vue précédente (Retour arrière)");
    boutonCadre.set_tooltip_text("Zoomer sur un rectangle tiré à la souris (ou Maj et glisser)");
    boutonCadre.signal_toggled().connect([this] { zone.setModeCadre(boutonCadre.get_active()); });
    for (Gtk::Button* b : {static_cast<Gtk::Button*>(&boutonMesurer), &boutonRechercher,
                           static_cast<Gtk::Button*>(&boutonCadre)})
        boiteBoutons.pack_start(*b, Gtk::PACK_SHRINK);
    boiteVue.pack_start(boutonPrecedente, Gtk::PACK_SHRINK);
    boiteOutils.pack_start(boiteBoutons, Gtk::PACK_SHRINK);
    boiteOutils.pack_start(boiteVue, Gtk::PACK_SHRINK);
    caseFondNoir.set_tooltip_text(
        "Fond noir : la couleur 7 y est blanche ; le choix est gardé d'une fois sur l'autre");
    boiteVue.pack_start(caseFondNoir, Gtk::PACK_SHRINK);
    caseFondNoir.signal_toggled().connect([this] {
        if (caseFondNoir.get_active() == zone.isFondNoir()) return;
        zone.setFondNoir(caseFondNoir.get_active());
        Reglages r = lireReglages();
        r.fondNoir = caseFondNoir.get_active();
        if (!ecrireReglages(r))
            dire("Le choix du fond n'a pas pu être gardé : " + cheminReglages());
    });
    boutonMesurer.signal_toggled().connect(sigc::mem_fun(*this, &OutilsDessin::on_mesurer_toggled));
    boutonRechercher.signal_clicked().connect(sigc::mem_fun(*this, &OutilsDessin::rechercher));
    boutonPrecedente.signal_clicked().connect([this] {
        if (!zone.vuePrecedente()) dire("Pas de vue précédente.");
    });

    ligneMesure.set_editable(false);
    ligneMesure.set_tooltip_text("Le résultat de la mesure, à copier");
    modeleProprietes = Gtk::ListStore::create(colonnes);
    vueProprietes.set_model(modeleProprietes);
    vueProprietes.append_column("Propriété", colonnes.libelle);
    vueProprietes.append_column("Valeur", colonnes.valeur);
    defilProprietes.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    defilProprietes.set_size_request(-1, 160);
    defilProprietes.add(vueProprietes);
    boitePanneau.pack_start(ligneMesure, Gtk::PACK_SHRINK);
    boitePanneau.pack_start(defilProprietes);
    cadreProprietes.add(boitePanneau);
    cadreProprietes.set_expanded(true);

    zone.signal_clic().connect(sigc::mem_fun(*this, &OutilsDessin::on_dessin_clic));
    zone.signal_pointeur().connect(sigc::mem_fun(*this, &OutilsDessin::on_dessin_pointeur));
    zone.setSurcouche([this](cairo_t* k, const Matrice& m) { dessinerSurcouche(k, m); });
}

const CalquesMasques& OutilsDessin::masques() {
    masques_ = std::make_shared<CalquesMasques>(zone.getDessin(), zone.getCalquesMasques());
    return *masques_;
}

void OutilsDessin::on_dessin_clic(double x, double y, int clics) {
    if (boutonMesurer.get_active()) {
        if (clics == 2)
            terminerMesure();
        else
            mesurer(x, y);
    } else if (clics == 1) {
        selectionner(x, y);
    }
}

void OutilsDessin::selectionner(double x, double y) {
    auto r = designer(zone.getDessin(), &masques(), {x, y}, pixels(kPixelsDesignation), 1);
    if (r.empty()) {
        effacer();
        return;
    }
    choisir(std::move(r.front()));
}

void OutilsDessin::choisir(Designe d) {
    selection = std::move(d);
    modeleProprietes->clear();
    for (const auto& [libelle, valeur] :
         proprietes(zone.getDessin(), selection->objet, selection->porteurs, selection->matrice)) {
        Gtk::TreeRow r = *modeleProprietes->append();
        r[colonnes.libelle] = libelle;
        r[colonnes.valeur] = valeur;
    }
    zone.queue_draw();
}

std::vector<LigneProprietes> OutilsDessin::getProprietes() const {
    std::vector<LigneProprietes> l;
    for (const Gtk::TreeRow& r : modeleProprietes->children())
        l.emplace_back(Glib::ustring(r[colonnes.libelle]), Glib::ustring(r[colonnes.valeur]));
    return l;
}

void OutilsDessin::effacer() {
    selection.reset();
    modeleProprietes->clear();
    points.clear();
    mesureFinie = false;
    ligneMesure.set_text("");
    zone.queue_draw();
}

void OutilsDessin::nouveauDessin() {
    effacer();
    accroche.reset();
    trouvailles = {};
    if (modeleTrouvailles) modeleTrouvailles->clear();
    bilanRecherche.set_text("");
}

void OutilsDessin::on_mesurer_toggled() {
    points.clear();
    mesureFinie = false;
    accroche.reset();
    if (boutonMesurer.get_active())
        dire(
            "Mesurer : cliquez les points ; double clic ou Entrée ferme la surface, Échap "
            "efface.");
    zone.queue_draw();
}

void OutilsDessin::on_dessin_pointeur(double x, double y) {
    if (!boutonMesurer.get_active()) return;
    Accroche a;
    const PointPlan* depart = points.empty() || mesureFinie ? nullptr : &points.back();
    if (accrocher(zone.getDessin(), &masques(), {x, y}, pixels(kPixelsAccroche), depart, a))
        accroche = a;
    else
        accroche.reset();
    zone.queue_draw();
}

void OutilsDessin::mesurer(double x, double y) {
    if (mesureFinie) {
        points.clear();
        mesureFinie = false;
    }
    Accroche a;
    const PointPlan* depart = points.empty() ? nullptr : &points.back();
    PointPlan p{x, y};
    if (accrocher(zone.getDessin(), &masques(), p, pixels(kPixelsAccroche), depart, a)) p = a.p;
    points.push_back(p);
    direMesure();
    zone.queue_draw();
}

bool OutilsDessin::terminerMesure() {
    if (!boutonMesurer.get_active() || points.empty()) return false;
    mesureFinie = true;
    direMesure();
    zone.queue_draw();
    return true;
}

void OutilsDessin::direMesure() {
    const Unites u = unitesDe(zone.getDessin());
    std::string s;
    if (points.size() == 1)
        s = "Point : " + textePoint(points[0], u);
    else if (points.size() == 2)
        s = texteDistance(points[0], points[1], u);
    else if (points.size() > 2)
        s = texteSurface(points, u) +
            (mesureFinie ? ""
                         : "   Dernier côté : " +
                               texteDistance(points[points.size() - 2], points.back(), u));
    ligneMesure.set_text(s);
    dire(s);
}

void OutilsDessin::dessinerSurcouche(cairo_t* k, const Matrice& m) {
    cairo_set_line_join(k, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(k, CAIRO_LINE_CAP_ROUND);
    if (selection) {
        // The selection colour, over the picture.
        cairo_set_source_rgba(k, 1, 0.45, 0, 0.85);
        cairo_set_line_width(k, 3);
        const Forme& f = selection->forme;
        for (const auto& l : f.traits) tracer(k, m, l);
        for (const auto& l : f.surfaces) {
            tracer(k, m, l);
            cairo_close_path(k);
        }
        cairo_stroke(k);
        if (f.traits.empty() && f.surfaces.empty())
            for (const PointRemarquable& r : f.points) {
                double x = r.p.x, y = r.p.y;
                m.appliquer(x, y);
                cairo_arc(k, x, y, 5, 0, kDeuxPi);
                cairo_stroke(k);
            }
    }
    if (!boutonMesurer.get_active()) return;
    std::vector<PointPlan> l = points;
    if (!mesureFinie && accroche) l.push_back(accroche->p);
    if (mesureFinie && l.size() > 2) l.push_back(l.front());
    cairo_set_source_rgb(k, 0, 0.55, 0.9);
    cairo_set_line_width(k, 1.5);
    tracer(k, m, l);
    cairo_stroke(k);
    if (accroche && !mesureFinie) {
        // The snapped point: a square, and what it is.
        double x = accroche->p.x, y = accroche->p.y;
        m.appliquer(x, y);
        cairo_set_source_rgb(k, 0, 0.65, 0);
        cairo_set_line_width(k, 2);
        cairo_rectangle(k, x - 5, y - 5, 10, 10);
        cairo_stroke(k);
        // Its name, unless another thread is at work on glyphs (polices.h):
        // the window does not wait, the name comes with a later expose.
        std::unique_lock<std::recursive_mutex> glyphes(verrouGlyphes(), std::try_to_lock);
        if (!glyphes) return;
        cairo_move_to(k, x + 8, y - 8);
        cairo_show_text(k, nomAccroche(accroche->genre));
    }
}

void OutilsDessin::rechercher() {
    if (!dialogue) {
        dialogue = std::make_unique<Gtk::Dialog>("Rechercher", fenetre, false);
        dialogue->set_default_size(520, 420);
        Gtk::VBox& boite = *dialogue->get_vbox();
        champRecherche.set_tooltip_text(
            "Sans égard à la casse ni aux accents ; textes, attributs et cotes, calques masqués "
            "compris");
        boite.pack_start(champRecherche, Gtk::PACK_SHRINK);
        boite.pack_start(bilanRecherche, Gtk::PACK_SHRINK);
        modeleTrouvailles = Gtk::ListStore::create(colonnesTrouvailles);
        vueTrouvailles.set_model(modeleTrouvailles);
        vueTrouvailles.append_column("Texte", colonnesTrouvailles.texte);
        vueTrouvailles.append_column("Calque", colonnesTrouvailles.calque);
        defilTrouvailles.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
        defilTrouvailles.add(vueTrouvailles);
        boite.pack_start(defilTrouvailles);
        champRecherche.signal_activate().connect(
            sigc::mem_fun(*this, &OutilsDessin::on_recherche_activate));
        vueTrouvailles.signal_row_activated().connect(
            sigc::mem_fun(*this, &OutilsDessin::on_recherche_row_activated));
        Gtk::Button* precedent = dialogue->add_button("Précédent", 1);
        Gtk::Button* suivant = dialogue->add_button("Suivant", 2);
        dialogue->add_button(Gtk::Stock::CLOSE, Gtk::RESPONSE_CLOSE);
        precedent->set_tooltip_text("Montrer le texte trouvé précédent");
        suivant->set_tooltip_text("Montrer le texte trouvé suivant");
        dialogue->signal_response().connect([this](int r) {
            if (r == 1 || r == 2) {
                // Searched first when the string changed.
                if (trouvailles.trouvailles.empty()) on_recherche_activate();
                on_recherche_suivant(r == 1 ? -1 : 1);
            } else {
                dialogue->hide();
            }
        });
        dialogue->show_all_children();
    }
    dialogue->present();
    champRecherche.grab_focus();
}

void OutilsDessin::on_recherche_activate() {
    trouvailles = ::rechercher(zone.getDessin(), &masques(), champRecherche.get_text().raw());
    trouvailleCourante = static_cast<std::size_t>(-1);
    modeleTrouvailles->clear();
    std::size_t masquees = 0;
    for (std::size_t i = 0; i < trouvailles.trouvailles.size(); ++i) {
        const Trouvaille& t = trouvailles.trouvailles[i];
        masquees += t.masque;
        if (i >= kLignesTrouvailles) continue;
        Gtk::TreeRow r = *modeleTrouvailles->append();
        std::string texte = t.texte;
        std::replace(texte.begin(), texte.end(), '\n', ' ');
        r[colonnesTrouvailles.texte] = texte;
        r[colonnesTrouvailles.calque] =
            (t.calque ? t.calque->nomRef() : "") + (t.masque ? " (masqué)" : "");
        r[colonnesTrouvailles.rang] = static_cast<unsigned>(i);
    }
    std::string bilan = std::to_string(trouvailles.total) +
                        (trouvailles.total > 1 ? " textes trouvés" : " texte trouvé");
    if (masquees) bilan += ", dont " + std::to_string(masquees) + " sur des calques masqués";
    if (trouvailles.total > trouvailles.trouvailles.size())
        bilan += " ; les " + std::to_string(trouvailles.trouvailles.size()) + " premiers gardés";
    if (trouvailles.arretee)
        bilan += " ; recherche arrêtée après " + std::to_string(kVisitesMax) +
                 " objets (blocs insérés les uns dans les autres)";
    if (trouvailles.trouvailles.size() > kLignesTrouvailles)
        bilan += " ; les " + std::to_string(kLignesTrouvailles) + " premiers listés";
    bilanRecherche.set_text(bilan + ".");
    dire(bilan + ".");
}

void OutilsDessin::on_recherche_suivant(int pas) {
    const std::size_t n = trouvailles.trouvailles.size();
    if (n == 0) return;
    if (trouvailleCourante >= n)
        trouvailleCourante = pas > 0 ? 0 : n - 1;
    else
        trouvailleCourante = (trouvailleCourante + n + pas) % n;
    montrerTrouvaille(trouvailleCourante);
}

void OutilsDessin::on_recherche_row_activated(const Gtk::TreePath& chemin, Gtk::TreeViewColumn*) {
    const Gtk::TreeRow r = *modeleTrouvailles->get_iter(chemin);
    trouvailleCourante = r[colonnesTrouvailles.rang];
    montrerTrouvaille(trouvailleCourante);
}

void OutilsDessin::montrerTrouvaille(std::size_t i) {
    const Trouvaille& t = trouvailles.trouvailles[i];
    if (i < kLignesTrouvailles && modeleTrouvailles)
        vueTrouvailles.get_selection()->select(Gtk::TreePath(std::to_string(i)));
    Designe d{t.objet, t.porteurs, t.matrice, {}, 0};
    formerGenre(t.objet.genre, *t.objet.entite, t.matrice, pixels(1), d.forme);
    // The text with room around it: twice its size.
    Boite b = t.boite;
    const double marge = std::max(b.largeur(), b.hauteur()) / 2;
    if (!b.vide()) {
        b.ajouter(b.x0 - marge, b.y0 - marge);
        b.ajouter(b.x1 + marge, b.y1 + marge);
        zone.montrer(b);
    }
    choisir(std::move(d));
    dire("Texte " + std::to_string(i + 1) + " sur " + std::to_string(trouvailles.total) + " : " +
         t.texte + (t.masque ? " (calque masqué)" : ""));
}
