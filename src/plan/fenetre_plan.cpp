#include "plan/fenetre_plan.h"

#include "annot/annotations.h"
#include "ui/dxfarea.h"

namespace {

const char* const kFichierAnnotations = "annotations.ann";
const char* const kInvite = "Veuillez selectionner une annotation...";

}  // namespace

FenetrePlan::FenetrePlan(std::ostream& sortie, std::ostream& erreurs)
    : FenetreVisionneuse(sortie, erreurs) {
    const Barre barre = {
        "FileOpen",
        "Ouvrir",
        "FileQuit",
        "",
        "<ui>  <toolbar  name='ToolBar'>    <toolitem action='FileOpen'/>    <toolitem "
        "action='FileQuit'/>  </toolbar></ui>",
        "Erreur lors de la creation du menu",
    };
    Gtk::Widget* outils = creerBarreOutils(barre);
    add_accel_group(gestionnaireUI->get_accel_group());
    if (outils) colonneGauche.pack_start(*outils, Gtk::PACK_SHRINK);
    colonneGauche.set_homogeneous(false);
    colonneGauche.set_size_request(300, -1);

    modeleArbre = Gtk::TreeStore::create(colonnes);
    arbre.set_model(modeleArbre);
    construireArbre();
    arbre.append_column("Reseau", colonnes.colCalque);
    arbre.append_column("Affichage", colonnes.colAffichage);
    arbre.signal_row_activated().connect(
        sigc::mem_fun(*this, &FenetrePlan::on_treeview_row_activated));
    preparerArbre();
    colonneGauche.pack_start(defilArbre);

    preparerBoutons();
    colonneGauche.pack_start(boiteBoutons, Gtk::PACK_SHRINK);

    preparerAnnotation(kInvite);
    colonneGauche.pack_start(defilAnnotation);

    boitePrincipale.pack_start(colonneGauche, false, true);
    boitePrincipale.pack_start(defilDessin);
    boiteFenetre.pack_start(boitePrincipale);

    show_all_children();
}

FenetrePlan::~FenetrePlan() = default;

void FenetrePlan::addArea(DXFArea& dessin) {
    defilDessin.add(dessin);
    dessin.show();
}

void FenetrePlan::construireArbre() {
    for (int i : {0, 2, 4}) {
        const std::string cle = std::to_string(i) + ":*";
        Gtk::TreeRow rang = *modeleArbre->append();
        rang[colonnes.colCalque] = cle;
        lireAnnotPlan(
            kFichierAnnotations, cle, true,
            [this, rang](const std::string& titre) {
                Gtk::TreeRow enfant = *modeleArbre->append(rang.children());
                enfant[colonnes.colCalque] = titre;
            },
            sortie, erreurs);
    }
}

void FenetrePlan::on_treeview_row_activated(const Gtk::TreePath& chemin, Gtk::TreeViewColumn*) {
    rangCourant = chemin.to_string();
    const bool annotation = rangCourant.find(':') != Glib::ustring::npos;
    basculerBoutons(annotation);
    afficherTexte(annotation
                      ? lireAnnotPlan(kFichierAnnotations, rangCourant, false, {}, sortie, erreurs)
                      : kInvite);
}

void FenetrePlan::on_menu_file_open() {
    const Choix choix = {"Choisissez un dxf svp...", "Any files"};
    choisirFichier(choix, [this](const std::string& chemin) {
        sortie << "Open clicked.\n"
               << "File selected: " << chemin << '\n'
               << std::flush;
    });
}

void FenetrePlan::on_button_add() { sortie << rangCourant << std::endl; }
void FenetrePlan::on_button_edit() { sortie << "tatante edit" << std::endl; }
void FenetrePlan::on_button_delete() { sortie << "tatante delete" << std::endl; }
