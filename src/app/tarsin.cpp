#include "app/tarsin.h"

#include <gtkmm/cellrenderertoggle.h>

#include <list>
#include <vector>

#include "annot/annotations.h"
#include "import/lecture.h"

Tarsin::Tarsin(std::ostream& sortie, std::ostream& erreurs)
    : FenetreVisionneuse(sortie, erreurs),
      barreOutils(false, 0),
      boiteZoom(false, 0),
      dessin(sortie) {
    set_title("Tarsin");

    const Barre barre = {
        "Open",
        "Ouvrir",
        "Quit",
        "Quitter",
        "<ui>\t<toolbar name='ToolBar'>\t\t<toolitem action='Open'/>\t\t<toolitem "
        "action='Quit'/>\t</toolbar></ui>",
        "Erreur lors de la creation du menu : ",
    };
    if (Gtk::Widget* outils = creerBarreOutils(barre)) barreOutils.pack_start(*outils);

    boutonZoomM.set_label("Zoom-");
    boutonZoomM.signal_clicked().connect(sigc::mem_fun(*this, &Tarsin::on_button_ZoomM));
    boiteZoom.pack_start(boutonZoomM, Gtk::PACK_SHRINK);
    boutonZoomP.set_label("Zoom+");
    boutonZoomP.signal_clicked().connect(sigc::mem_fun(*this, &Tarsin::on_button_ZoomP));
    boiteZoom.pack_start(boutonZoomP, Gtk::PACK_SHRINK);
    boutonAjuster.set_label("Ajuster");
    boutonAjuster.set_tooltip_text("Montrer tout le dessin (touche Origine)");
    boutonAjuster.signal_clicked().connect(sigc::mem_fun(*this, &Tarsin::on_button_Ajuster));
    boiteZoom.pack_start(boutonAjuster, Gtk::PACK_SHRINK);
    barreOutils.pack_start(boiteZoom, Gtk::PACK_SHRINK);
    colonneGauche.pack_start(barreOutils, Gtk::PACK_SHRINK);
    colonneGauche.set_size_request(300, -1);

    modeleArbre = Gtk::TreeStore::create(colonnes);
    arbre.set_model(modeleArbre);
    arbre.append_column("Calque", colonnes.colCalque);
    arbre.append_column_editable("Affichage", colonnes.colAffichage);
    if (auto* boite = dynamic_cast<Gtk::CellRendererToggle*>(arbre.get_column_cell_renderer(1)))
        boite->signal_toggled().connect(sigc::mem_fun(*this, &Tarsin::on_child_toggled));
    arbre.signal_row_activated().connect(sigc::mem_fun(*this, &Tarsin::on_treeview_row_activated));
    preparerArbre();
    colonneGauche.pack_start(defilArbre);

    preparerBoutons();
    colonneGauche.pack_start(boiteBoutons, Gtk::PACK_SHRINK);

    preparerAnnotation("\n-------- Aucune annotation sélectionnée --------");
    colonneGauche.pack_start(defilAnnotation);

    boitePrincipale.pack_start(colonneGauche, false, true);
    defilDessin.add(dessin);
    boitePrincipale.pack_start(defilDessin);
    boiteFenetre.pack_start(boitePrincipale);
    boiteFenetre.pack_start(barreEtat, Gtk::PACK_SHRINK);
    dessin.signal_pointeur().connect(sigc::mem_fun(*this, &Tarsin::on_dessin_pointeur));
    dessin.signal_etat().connect(sigc::mem_fun(*this, &Tarsin::on_dessin_etat));
    on_dessin_etat();

    show_all_children();
}

Tarsin::~Tarsin() = default;

void Tarsin::on_menu_file_open() {
    const Choix choix = {"Choisissez un fichier dxf", "Tous les fichiers"};
    choisirFichier(choix, [this](const std::string& chemin) { ouvrir(chemin); });
}

bool Tarsin::ouvrir(const std::string& chemin) {
    if (!lireDXF(chemin)) return false;
    fichier_annot = cheminAnnotations(chemin);
    sortie << "le fichier_annot : " << fichier_annot << std::endl;
    // The new drawing's layers are shown as the file leaves them: those off
    // or frozen hidden, their boxes cleared, the others ticked.
    dessin.masquerCalquesEteints();
    reDessiner();
    dessin.grab_focus();
    return true;
}

bool Tarsin::lireDXF(const std::string& chemin) {
    LectureDessin lu = lireDessin(chemin, sortie);
    if (!lu.resultat.message.empty()) erreurs << lu.resultat.message << std::endl;
    if (!lu.dessin) return false;
    dessinOuvert = std::move(lu.dessin);
    dessin.setDessin(dessinOuvert);
    return true;
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
