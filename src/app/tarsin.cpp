#include "app/tarsin.h"

#include <glib/gstdio.h>
#include <glibmm/convert.h>
#include <glibmm/miscutils.h>
#include <gtkmm/cellrenderertoggle.h>
#include <gtkmm/main.h>
#include <gtkmm/menutoolbutton.h>
#include <gtkmm/recentfilter.h>
#include <gtkmm/scrollbar.h>
#include <gtkmm/stock.h>
#include <gtkmm/toolbar.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <list>
#include <system_error>
#include <vector>

#include "annot/annotations.h"
#include "import/lecture.h"
#include "model/trace.h"
#include "render/peintre.h"
#include "render/presentation_peinte.h"
#include "render/rendu.h"

#include <gdk/gdkkeysyms.h>

namespace {

// The name the drawings opened here are entered under in the recent files,
// and the command that opens one of them.
const char* const kApplication = "tarsin";
const char* const kCommande = "tarsin %f";
// How many drawings the recent files menu lists.
constexpr int kRecentsMax = 10;
// How often a reading's trace is written out and the progress of a reading
// or an export told, in milliseconds.
constexpr unsigned kPeriodeSuivi = 100;

// Makes the folder of the toolkit's list of recent files, GLib's user data
// folder, if it is missing (mode 0700), as on a fresh account: without it
// the toolkit warns twice for each file added. When it cannot be made or
// written, one line says so, and the toolkit's warnings about that list are
// left unsaid; false then, and no drawing is added to it.
bool preparerRecents(std::ostream& erreurs) {
    const char* dossier = g_get_user_data_dir();
    if (g_mkdir_with_parents(dossier, 0700) == 0 && g_access(dossier, W_OK | X_OK) == 0)
        return true;
    const int e = errno;
    erreurs << "Les dessins ouverts ne sont pas retenus parmi les récents : dossier " << dossier
            << " inutilisable (" << g_strerror(e) << ")." << std::endl;
    // Once per program, whatever the number of windows.
    [[maybe_unused]] static const guint filtre = g_log_set_handler(
        "Gtk", G_LOG_LEVEL_WARNING,
        [](const gchar* domaine, GLogLevelFlags niveau, const gchar* message, gpointer) {
            if (!std::strstr(message, "recently-used.xbel"))
                g_log_default_handler(domaine, niveau, message, nullptr);
        },
        nullptr);
    return false;
}

}  // namespace

Tarsin::Tarsin(std::ostream& sortie, std::ostream& erreurs)
    : FenetreVisionneuse(sortie, erreurs),
      barreOutils(false, 0),
      boiteZoom(false, 0),
      recentsPossibles(preparerRecents(erreurs)),
      recents(Gtk::RecentManager::get_default()),
      dessin(sortie),
      lecteur([this] { lectureFinie.emit(); }),
      exportateur([this] { exportationFinie.emit(); }),
      outils(*this, dessin, [this](const std::string& s) { direEtat(s); }),
      boutonToutAfficher("Tout afficher"),
      boutonToutMasquer("Tout masquer"),
      poignee(*this, colonneGauche, boitePrincipale) {
    set_title("Tarsin");
    // Until a drawing is opened, the file chooser starts in the working
    // folder (the toolkit's own first choice is the recent files, empty on
    // a fresh account).
    dossierChoix = Glib::get_current_dir();

    const Barre barre = {
        "Open",
        "Ouvrir",
        "Quit",
        "Quitter",
        "<ui>\t<toolbar name='ToolBar'>\t\t<toolitem action='Open'/>\t\t<toolitem "
        "action='Quit'/>\t</toolbar></ui>",
        "Erreur lors de la creation du menu : ",
    };
    // "Ouvrir" lists the drawings opened lately under its arrow.
    actionOuvrir = Gtk::RecentAction::create("Open", Gtk::Stock::OPEN, "Ouvrir",
                                             "Ouvrir un fichier .dxf", recents);
    filtreRecents.add_application(kApplication);
    actionOuvrir->add_filter(filtreRecents);
    actionOuvrir->set_local_only(true);
    actionOuvrir->set_show_not_found(false);
    actionOuvrir->set_sort_type(Gtk::RECENT_SORT_MRU);
    actionOuvrir->set_limit(kRecentsMax);
    actionOuvrir->signal_item_activated().connect(
        sigc::mem_fun(*this, &Tarsin::on_menu_file_recent));
    // Nothing to save or print until a drawing is open.
    actionExporter = Gtk::Action::create("Export", Gtk::Stock::SAVE_AS, "Exporter",
                                         "Enregistrer la vue en image PNG, SVG ou PDF");
    actionImprimer = Gtk::Action::create("Print", Gtk::Stock::PRINT, "Imprimer",
                                         "Imprimer la vue ou tout le dessin");
    actionExporter->set_sensitive(false);
    actionImprimer->set_sensitive(false);
    actionExporter->signal_activate().connect(sigc::mem_fun(*this, &Tarsin::on_menu_file_export));
    actionImprimer->signal_activate().connect(sigc::mem_fun(*this, &Tarsin::on_menu_file_print));
    if (Gtk::Widget* outils = creerBarreOutils(barre, actionOuvrir)) {
        if (auto* o =
                dynamic_cast<Gtk::MenuToolButton*>(gestionnaireUI->get_widget("/ToolBar/Open")))
            o->set_arrow_tooltip_text("Ouvrir un dessin récent");
        barreOutils.pack_start(*outils);
    }

    boutonZoomM.set_label("Zoom-");
    boutonZoomM.signal_clicked().connect(sigc::mem_fun(*this, &Tarsin::on_button_ZoomM));
    boiteZoom.pack_start(boutonZoomM, Gtk::PACK_SHRINK);
    boutonZoomP.set_label("Zoom+");
    boutonZoomP.signal_clicked().connect(sigc::mem_fun(*this, &Tarsin::on_button_ZoomP));
    boiteZoom.pack_start(boutonZoomP, Gtk::PACK_SHRINK);
    boutonAjuster.set_label("Ajuster");
    boutonAjuster.set_tooltip_text("Montrer tout le dessin (touche Origine)");
    boutonAjuster.signal_clicked().connect(sigc::mem_fun(*this, &Tarsin::on_button_Ajuster));
    barreOutils.pack_start(boiteZoom, Gtk::PACK_SHRINK);
    colonneGauche.pack_start(barreOutils, Gtk::PACK_SHRINK);
    // "Ajuster", "Exporter" and "Imprimer" on a row of their own under the
    // toolbar, whose commands and zoom buttons fill the column's width.
    boiteCommandes.pack_start(boutonAjuster, Gtk::PACK_SHRINK);
    for (auto [bouton, action] :
         {std::pair{&boutonExporter, actionExporter}, std::pair{&boutonImprimer, actionImprimer}}) {
        action->connect_proxy(*bouton);
        boiteCommandes.pack_start(*bouton, Gtk::PACK_SHRINK);
    }
    // The layouts of a drawing that has some, at the end of that row.
    choixPresentation.set_no_show_all(true);
    choixPresentation.set_sensitive(false);
    choixPresentation.set_tooltip_text("Présentation affichée : l'espace objet ou une feuille");
    choixPresentation.signal_changed().connect(
        sigc::mem_fun(*this, &Tarsin::on_choix_presentation_changed));
    boiteCommandes.pack_start(choixPresentation);
    colonneGauche.pack_start(boiteCommandes, Gtk::PACK_SHRINK);
    colonneGauche.pack_start(outils.barre(), Gtk::PACK_SHRINK);
    colonneGauche.set_size_request(300, -1);

    modeleArbre = Gtk::TreeStore::create(colonnes);
    arbre.set_model(modeleArbre);
    arbre.append_column("Calque", colonnes.colCalque);
    arbre.append_column_editable("Affichage", colonnes.colAffichage);
    if (auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(arbre.get_column_cell_renderer(1)))
        boite->signal_toggled().connect(sigc::mem_fun(*this, &Tarsin::on_child_toggled));
    arbre.signal_row_activated().connect(sigc::mem_fun(*this, &Tarsin::on_treeview_row_activated));
    preparerArbre();
    // Each layer's colour, a swatch after its name.
    if (Gtk::TreeViewColumn* calques = arbre.get_column(0)) {
        calques->pack_start(pastille, false);
        calques->set_cell_data_func(
            pastille, [this](Gtk::CellRenderer*, const Gtk::TreeModel::iterator& i) {
                const Layer* c = modeleArbre->iter_depth(i) == 0 && dessinOuvert
                                     ? dessinOuvert->getCalque((*i)[colonnes.colCalque])
                                     : nullptr;
                pastille.property_text() = c ? "\u25A0" : "";
                if (!c) return;
                const CouleurRVB k = couleurDXF(c->getCouleur());
                Gdk::Color g;
                g.set_rgb_p(k.r, k.g, k.b);
                pastille.property_foreground_gdk() = g;
            });
    }
    boutonToutAfficher.set_tooltip_text("Afficher tous les calques");
    boutonToutMasquer.set_tooltip_text("Masquer tous les calques");
    boutonToutAfficher.signal_clicked().connect([this] { basculerCalques(true); });
    boutonToutMasquer.signal_clicked().connect([this] { basculerCalques(false); });
    boiteCalques.pack_start(boutonToutAfficher, Gtk::PACK_SHRINK);
    boiteCalques.pack_start(boutonToutMasquer, Gtk::PACK_SHRINK);
    // Above the list: the keys that follow it (its buttons, the
    // annotation) stay next to it.
    colonneGauche.pack_start(boiteCalques, Gtk::PACK_SHRINK);
    colonneGauche.pack_start(defilArbre);

    preparerBoutons();
    colonneGauche.pack_start(boiteBoutons, Gtk::PACK_SHRINK);

    preparerAnnotation("\n-------- Aucune annotation sélectionnée --------");
    colonneGauche.pack_start(defilAnnotation);
    colonneGauche.pack_start(outils.panneau(), Gtk::PACK_SHRINK);
    // Each key in its button's tooltip (the actions keep their own).
    for (auto [chemin, texte] : {std::pair{"/ToolBar/Open", "Ouvrir un fichier .dxf (Ctrl+O)"},
                                 std::pair{"/ToolBar/Quit", "Quitter (Ctrl+Q)"}})
        if (Gtk::Widget* w = gestionnaireUI ? gestionnaireUI->get_widget(chemin) : nullptr)
            w->set_tooltip_text(texte);
    boutonExporter.set_tooltip_text("Enregistrer la vue en image PNG, SVG ou PDF (Ctrl+E)");
    boutonImprimer.set_tooltip_text("Imprimer la vue ou tout le dessin (Ctrl+P)");

    boitePrincipale.pack_start(colonneGauche, false, true);
    defilDessin.add(dessin);
    // Scrolling the pane moves the view: it is no longer fitted anew when
    // the pane changes size.
    for (Gtk::Range* defilement :
         std::vector<Gtk::Range*>{defilDessin.get_hscrollbar(), defilDessin.get_vscrollbar()})
        if (defilement)
            defilement->signal_change_value().connect([this](Gtk::ScrollType, double) {
                dessin.figerVue();
                return false;
            });
    boitePrincipale.pack_start(defilDessin);
    boiteFenetre.pack_start(boitePrincipale);
    boiteFenetre.pack_start(barreEtat, Gtk::PACK_SHRINK);
    dessin.signal_pointeur().connect(sigc::mem_fun(*this, &Tarsin::on_dessin_pointeur));
    dessin.signal_etat().connect(sigc::mem_fun(*this, &Tarsin::on_dessin_etat));
    on_dessin_etat();

    // A file dropped anywhere on the window; the annotation text takes no
    // drop of its own.
    drag_dest_set(std::vector<Gtk::TargetEntry>{Gtk::TargetEntry("text/uri-list")},
                  Gtk::DEST_DEFAULT_ALL, Gdk::ACTION_COPY);
    signal_drag_data_received().connect(
        sigc::mem_fun(*this, &Tarsin::on_fenetre_drag_data_received));
    vueAnnotation.drag_dest_unset();
    surveillance.signal_change().connect(sigc::mem_fun(*this, &Tarsin::lancerRechargement));
    lectureFinie.connect(sigc::mem_fun(*this, &Tarsin::surLectureFinie));
    exportationFinie.connect(sigc::mem_fun(*this, &Tarsin::surExportationFinie));

    show_all_children();
}

Tarsin::~Tarsin() { suivi.disconnect(); }

void Tarsin::setLargeurColonne(int largeur) {
    const int plus = get_screen()->get_width() - PoigneeColonne::kPanneauMin;
    colonneGauche.set_size_request(std::clamp(largeur, 1, std::max(1, plus)), -1);
}

void Tarsin::on_menu_file_open() {
    // The reading in progress gives way to the file the user will choose.
    lecteur.annuler();
    const Choix choix = {"Choisissez un fichier dxf", "Tous les fichiers"};
    choisirFichier(choix, [this](const std::string& chemin) { lancerOuverture(chemin); });
}

void Tarsin::on_hide() {
    lecteur.annuler();
    exportateur.annuler();
    FenetreVisionneuse::on_hide();
}

void Tarsin::lancerOuverture(const std::string& chemin) {
    cheminLu = chemin;
    messageOuverture.clear();
    lecteur.lire(chemin, Ouverture);
    suivreProgression();
    surProgression();
}

void Tarsin::suivreProgression() {
    if (!suivi.connected())
        suivi = Glib::signal_timeout().connect(sigc::mem_fun(*this, &Tarsin::surProgression),
                                               kPeriodeSuivi);
}

bool Tarsin::ouvrir(const std::string& chemin) {
    lancerOuverture(chemin);
    return attendreLecture();
}

bool Tarsin::attendreLecture() {
    derniereLue = false;
    // The dispatcher's turn takes the outcome.
    while (lecteur.enCours()) Gtk::Main::iteration();
    return derniereLue;
}

bool Tarsin::surProgression() {
    const std::string trace = lecteur.prendreTrace();
    sortie.write(trace.data(), static_cast<std::streamsize>(trace.size()));
    if (!trace.empty()) sortie.flush();
    on_dessin_etat();
    return lecteur.enCours() || exportateur.enCours();
}

void Tarsin::surLectureFinie() {
    std::unique_ptr<Lu> lu = lecteur.prendre();
    // Every line of the reading goes out before anything said of it.
    surProgression();
    if (!lu) return;
    derniereLue = lu->motif == Ouverture ? ouvrirLu(*lu) : rechargerLu(*lu);
}

bool Tarsin::ouvrirLu(Lu& lu) {
    const std::string& chemin = lu.chemin;
    signaler(lu.lecture.resultat.message);
    if (!lu.lecture.dessin) return false;
    dessinOuvert = std::move(lu.lecture.dessin);
    dessin.setDessin(dessinOuvert);
    remplirPresentations();
    outils.nouveauDessin();
    fichier_annot = cheminAnnotations(chemin);
    sortie << "le fichier_annot : " << fichier_annot << std::endl;
    // The new drawing's layers are shown as the file leaves them: those off
    // or frozen hidden, their boxes cleared, the others ticked.
    dessin.masquerCalquesEteints();
    reDessiner();
    dessin.grab_focus();

    std::error_code e;
    const std::filesystem::path absolu = std::filesystem::absolute(chemin, e);
    cheminDessin = e ? chemin : absolu.lexically_normal().string();
    set_title(nomDessin() + " \u2014 Tarsin");
    dossierChoix = Glib::path_get_dirname(cheminDessin);
    actionExporter->set_sensitive(true);
    actionImprimer->set_sensitive(true);
    surveillance.surveiller(cheminDessin);
    if (!messageOuverture.empty()) direEtat(messageOuverture);
    if (!recentsPossibles) return true;
    try {
        Gtk::RecentManager::Data d;
        d.app_name = kApplication;
        d.app_exec = kCommande;
        d.mime_type = "image/vnd.dxf";
        d.is_private = false;
        recents->add_item(Glib::filename_to_uri(cheminDessin), d);
    } catch (const Glib::Error&) {
        // A path that makes no URI is simply not listed.
    }
    return true;
}

std::string Tarsin::cheminLocal(const Glib::ustring& uri) {
    std::string chemin;
    Glib::ustring hote;
    try {
        chemin = Glib::filename_from_uri(uri, hote);
    } catch (const Glib::Error&) {
        chemin.clear();
    }
    if (!chemin.empty() && (hote.empty() || hote == "localhost")) return chemin;
    direEtat("Seuls les fichiers de cet ordinateur s'ouvrent : " + uri);
    return {};
}

bool Tarsin::ouvrirUri(const Glib::ustring& uri) {
    const std::string chemin = cheminLocal(uri);
    return !chemin.empty() && ouvrir(chemin);
}

void Tarsin::lancerRechargement() {
    // Nothing to read anew, or another drawing is being opened: it is not
    // given up for the one it replaces.
    if (cheminDessin.empty() || (lecteur.enCours() && cheminLu != cheminDessin)) return;
    cheminLu = cheminDessin;
    lecteur.lire(cheminDessin, Rechargement);
    suivreProgression();
}

bool Tarsin::recharger() {
    if (cheminDessin.empty()) return false;
    lancerRechargement();
    return attendreLecture();
}

bool Tarsin::rechargerLu(Lu& lu) {
    // Only a whole file replaces the drawing: one that stops before its end
    // is most likely still being written.
    if (!lu.lecture.dessin || lu.lecture.resultat.issue != ResultatLecture::Reussie) {
        const std::string raison = lu.lecture.resultat.issue == ResultatLecture::Incomplete
                                       ? "il s'arrête avant sa fin (en cours d'écriture ?)."
                                       : lu.lecture.resultat.message;
        signaler(
            nomDessin() +
            " a changé mais n'a pas pu être relu, le dessin précédent reste affiché : " + raison);
        return false;
    }
    signaler(lu.lecture.resultat.message);
    dessinOuvert = std::move(lu.lecture.dessin);
    dessin.setDessin(dessinOuvert, true);
    remplirPresentations();
    outils.nouveauDessin();
    construireArbre();
    dessin.reDessiner();
    if (lu.lecture.resultat.message.empty()) direEtat(nomDessin() + " a changé : relu.");
    return true;
}

void Tarsin::remplirPresentations() {
    // Filling the list changes its choice: not a choice of the user's.
    remplissagePresentations = true;
    choixPresentation.clear_items();
    const std::vector<std::string> noms = dessinOuvert->getEspacePapier().noms();
    for (const std::string& nom : noms) choixPresentation.append_text(nom);
    choixPresentation.set_active(static_cast<int>(dessin.getPresentation()));
    choixPresentation.set_visible(noms.size() > 1);
    choixPresentation.set_sensitive(true);
    remplissagePresentations = false;
}

void Tarsin::on_choix_presentation_changed() {
    const int rang = choixPresentation.get_active_row_number();
    if (remplissagePresentations || rang < 0) return;
    dessin.setPresentation(static_cast<std::size_t>(rang));
    dessin.reDessiner();
}

std::string Tarsin::nomDessin() const { return Glib::filename_display_basename(cheminDessin); }

void Tarsin::direEtat(const std::string& texte) {
    messageEtat = texte;
    on_dessin_etat();
}

void Tarsin::signaler(const std::string& message) {
    if (!message.empty()) erreurs << message << std::endl;
    direEtat(message);
}

void Tarsin::on_menu_file_recent() {
    const std::string chemin = cheminLocal(actionOuvrir->get_current_uri());
    if (!chemin.empty()) lancerOuverture(chemin);
}

void Tarsin::on_fenetre_drag_data_received(const Glib::RefPtr<Gdk::DragContext>&, int, int,
                                           const Gtk::SelectionData& donnees, guint, guint) {
    // Through the toolkit's C call: gtkmm's get_uris() does not free the
    // list it is given.
    gchar** uris = gtk_selection_data_get_uris(const_cast<GtkSelectionData*>(donnees.gobj()));
    if (!uris) return;
    const std::string chemin = uris[0] ? cheminLocal(uris[0]) : std::string();
    if (!chemin.empty()) {
        lancerOuverture(chemin);
        if (uris[1])
            messageOuverture = "Plusieurs fichiers déposés : seul " +
                               Glib::filename_display_basename(chemin) + " est ouvert.";
    }
    g_strfreev(uris);
}

void Tarsin::on_menu_file_export() {
    if (!dessinOuvert) return;
    // Refused before a name is asked for.
    if (exportationRefusee()) return;
    std::string nom = Glib::path_get_basename(cheminDessin);
    const std::size_t point = nom.rfind('.');
    if (point != std::string::npos && point > 0) nom.erase(point);
    nom += extensionFormat(formatExport);
    const std::string dossier =
        dossierExport.empty() ? Glib::path_get_dirname(cheminDessin) : dossierExport;
    const auto choix = choisirExport(*this, dossier, nom, exportTout);
    if (!choix) return;
    exportTout = choix->toutLeDessin;
    formatExport = choix->format;
    dossierExport = Glib::path_get_dirname(choix->chemin);
    lancerExportation(choix->chemin, choix->format, choix->toutLeDessin);
}

bool Tarsin::exportationRefusee() {
    // One at a time: the temporary file of the one under way is its own.
    if (!exportateur.enCours()) return false;
    direEtat("Une exportation est déjà en cours : Échap l'annule.");
    return true;
}

bool Tarsin::lancerExportation(const std::string& chemin, FormatImage format, bool toutLeDessin) {
    if (!dessinOuvert) return false;
    if (exportationRefusee()) return false;
    auto e = std::make_unique<Exportation>();
    e->vue = dessin.vueVisible(e->largeur, e->hauteur);
    if (toutLeDessin)
        e->vue = ajusterPresentation(*dessinOuvert, dessin.getPresentation(), e->largeur,
                                     e->hauteur, kMargeAjustement);
    e->dessin = dessinOuvert;
    e->masques = dessin.getCalquesMasques();
    e->presentation = dessin.getPresentation();
    // A PNG is the picture of the pane, on its background; SVG and PDF are
    // pages, on white like the printed ones, colour 7 black.
    if (format == FormatImage::Png) e->fond = dessin.fond();
    e->format = format;
    e->chemin = chemin;
    cheminExporte = chemin;
    toutExporte = toutLeDessin;
    exportateur.demander(std::move(e));
    suivreProgression();
    direEtat("Échap annule l'exportation.");
    return true;
}

bool Tarsin::exporter(const std::string& chemin, FormatImage format, bool toutLeDessin) {
    derniereExportee = false;
    if (!lancerExportation(chemin, format, toutLeDessin)) return false;
    // The dispatcher's turn takes the outcome.
    while (exportateur.enCours()) Gtk::Main::iteration();
    return derniereExportee;
}

void Tarsin::surExportationFinie() {
    const std::unique_ptr<Exportation> e = exportateur.prendre();
    if (!e) return;
    const ResultatExport& r = e->resultat;
    derniereExportee = r.ecrit;
    if (!r.ecrit) {
        signaler("Exportation ratée : " + r.erreur + ".");
        return;
    }
    std::string message = (toutExporte ? "Dessin enregistré dans " : "Vue enregistrée dans ") +
                          Glib::filename_display_basename(e->chemin);
    if (r.textesManquants) message += ", sans des textes qui n'ont pas pu être peints";
    if (!r.incomplet.empty()) message += ", incomplet (" + r.incomplet + ")";
    direEtat(message + ".");
}

void Tarsin::on_menu_file_print() { imprimer(); }

bool Tarsin::imprimer(Gtk::PrintOperationAction action, const std::string& fichier) {
    if (!dessinOuvert) return false;
    int largeur = 1, hauteur = 1;
    const Vue vue = dessin.vueVisible(largeur, hauteur);
    // The print dialog runs the toolkit's loop, where the drawing may be read
    // anew: the one printed is held until printing is over.
    const std::shared_ptr<const Dessin> imprime = dessinOuvert;
    const std::list<std::string> masques = dessin.getCalquesMasques();
    impression.setPresentation(dessin.getPresentation());
    const std::string erreur = impression.imprimer(*this, *imprime, boiteVue(vue, largeur, hauteur),
                                                   masques, nomDessin(), action, fichier);
    if (erreur.empty()) return true;
    signaler("Impression ratée : " + erreur);
    return false;
}

void Tarsin::reDessiner() {
    construireArbre();
    dessin.set_size_request(1000, 1000);
    dessin.reDessiner();
}

void Tarsin::setEchelle(double echelle) {
    if (dessin.setEchelle(echelle)) dessin.reDessiner();
}

void Tarsin::on_button_ZoomP() { setEchelle(pasZoom(dessin.getEchelle(), true)); }

void Tarsin::on_button_ZoomM() { setEchelle(pasZoom(dessin.getEchelle(), false)); }

void Tarsin::on_button_Ajuster() {
    dessin.ajuster();
    dessin.grab_focus();
}

void Tarsin::on_dessin_pointeur(double x, double y) {
    texteCoordonnees = ::texteCoordonnees(x, y, dessin.getEchelle());
    on_dessin_etat();
}

void Tarsin::on_dessin_etat() {
    std::string texte = texteCoordonnees;
    if (!texte.empty()) texte += "   ";
    texte += texteEchelle(dessin.getEchelle());
    const double p = dessin.getProgression();
    if (p >= 0) texte += "   Dessin en cours : " + std::to_string(static_cast<int>(p * 100)) + " %";
    const double l = lecteur.progression();
    if (l >= 0)
        texte += "   Lecture de " + Glib::filename_display_basename(cheminLu) + " : " +
                 std::to_string(static_cast<int>(l * 100)) + " %";
    exportateur.suivre([&](const SuiviExport& s) {
        texte += "   Exportation de " + Glib::filename_display_basename(cheminExporte) + " : ";
        // The writing of a vector file, once painted, is told in bytes.
        const std::uint64_t o = s.octets;
        if (!s.ecriture)
            texte += std::to_string(static_cast<int>(s.part() * 100)) + " %";
        else if (o < (1u << 20))
            texte += "écriture, " + std::to_string(o >> 10) + " Ko";
        else
            texte += "écriture, " + std::to_string(o >> 20) + " Mo";
    });
    if (!messageEtat.empty()) texte += "   " + messageEtat;
    barreEtat.pop();
    barreEtat.push(texte);
}

void Tarsin::on_child_toggled(const Glib::ustring& chemin) {
    // Only a layer row, at the top level, shows or hides a layer: the box of
    // an annotation row keeps its own value and nothing else.
    if (Gtk::TreePath(chemin).size() != 1) return;
    Gtk::TreeIter it = modeleArbre->get_iter(chemin);
    if (!it) return;
    const std::string nom = (*it)[colonnes.colCalque];
    if ((*it)[colonnes.colAffichage])
        dessin.afficherCalque(nom);
    else
        dessin.masquerCalque(nom);
    dessin.reDessiner();
}

void Tarsin::construireArbre() {
    // The view lets go of the store while it is emptied and filled, and is
    // spared the work of every row removed and inserted.
    arbre.unset_model();
    modeleArbre->clear();
    if (dessinOuvert) remplirArbre(dessinOuvert->getCalques());
    arbre.set_model(modeleArbre);
}

void Tarsin::remplirArbre(const std::list<std::string>& noms) {
    // The annotation file is read once for the whole list; each layer's
    // annotations are looked up in it in layer order, the order of their
    // diagnostics.
    std::vector<std::vector<std::string>> titres(noms.size());
    {
        FichierAnnotations annotations(fichier_annot, noms.size(), erreurs);
        for (std::size_t i = 0; i < noms.size(); ++i) {
            annotations.lireAnnot(
                std::to_string(i) + ":*",
                [&titres, i](const std::string& titre) { titres[i].push_back(titre); }, sortie,
                erreurs);
        }
    }

    // The rows go in from the last to the first, each at the front: a tree
    // store finds the end of a list by walking it, so appending n rows would
    // cost n * n steps.
    std::size_t i = noms.size();
    for (auto nom = noms.rbegin(); nom != noms.rend(); ++nom) {
        --i;
        Gtk::TreeRow rang = *modeleArbre->prepend();
        rang[colonnes.colCalque] = *nom;
        rang[colonnes.colAffichage] = !dessin.contains(*nom);
        for (auto titre = titres[i].rbegin(); titre != titres[i].rend(); ++titre) {
            Gtk::TreeRow enfant = *modeleArbre->prepend(rang.children());
            enfant[colonnes.colCalque] = *titre;
        }
    }
}

std::string Tarsin::lireAnnot(std::string cle, Gtk::TreeRow rang) {
    AjouterRang ajouter;
    if (rang) {
        ajouter = [this, rang](const std::string& titre) {
            Gtk::TreeRow enfant = *modeleArbre->append(rang.children());
            enfant[colonnes.colCalque] = titre;
        };
    }
    return ::lireAnnot(fichier_annot, cle, ajouter, sortie, erreurs);
}

void Tarsin::on_treeview_row_activated(const Gtk::TreePath& chemin, Gtk::TreeViewColumn*) {
    const std::string cle = chemin.to_string();
    const bool annotation = cle.find(':') != std::string::npos;
    basculerBoutons(annotation);
    if (annotation) afficherTexte(lireAnnot(cle, Gtk::TreeRow()));
}

void Tarsin::on_button_add() {}
void Tarsin::on_button_edit() {}
void Tarsin::on_button_delete() {}

void Tarsin::basculerCalques(bool afficher) {
    dessin.toutAfficher();
    for (Gtk::TreeRow r : modeleArbre->children()) {
        r[colonnes.colAffichage] = afficher;
        if (!afficher) dessin.masquerCalque(r[colonnes.colCalque]);
    }
    outils.effacer();
    dessin.reDessiner();
}

bool Tarsin::on_key_press_event(GdkEventKey* event) {
    const bool ctrl = event && (event->state & GDK_CONTROL_MASK);
    const guint touche = event ? gdk_keyval_to_lower(event->keyval) : 0;
    // A text being typed keeps its keys.
    const bool saisie = dynamic_cast<Gtk::Editable*>(get_focus()) != nullptr;
    if (ctrl && touche == GDK_o) {
        on_menu_file_open();
    } else if (ctrl && touche == GDK_q) {
        on_menu_file_quit();
    } else if (ctrl && touche == GDK_p) {
        if (actionImprimer->is_sensitive()) on_menu_file_print();
    } else if (ctrl && touche == GDK_e) {
        if (actionExporter->is_sensitive()) on_menu_file_export();
    } else if (ctrl && touche == GDK_f) {
        outils.rechercher();
    } else if (touche == GDK_F5) {
        if (!cheminDessin.empty()) recharger();
    } else if (touche == GDK_Escape) {
        // An export that has finished meanwhile is not said to be stopped.
        if (exportateur.progression() >= 0) {
            exportateur.annuler();
            direEtat("Exportation annulée.");
        } else {
            outils.effacer();
        }
    } else if ((touche == GDK_Home || touche == GDK_KP_Home) && !saisie) {
        on_button_Ajuster();
    } else if (touche == GDK_BackSpace && !saisie) {
        if (!dessin.vuePrecedente()) direEtat("Pas de vue précédente.");
    } else if ((touche == GDK_Return || touche == GDK_KP_Enter) && !saisie &&
               outils.terminerMesure()) {
    } else {
        return Gtk::Window::on_key_press_event(event);
    }
    return true;
}
