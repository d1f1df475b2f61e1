// The window tests' way into the windows' members and handlers.
#pragma once

#include <gtk/gtk.h>
#include <gtkmm/menutoolbutton.h>
#include <gtkmm/recentchoosermenu.h>

#include <string>
#include <vector>

#include "app/tarsin.h"
#include "plan/fenetre_plan.h"

struct AccesTest {
    static FenetreVisionneuse& base(FenetreVisionneuse& f) { return f; }
    static Gtk::TreeView& arbre(FenetreVisionneuse& f) { return f.arbre; }
    static Glib::RefPtr<Gtk::TreeStore> modele(FenetreVisionneuse& f) { return f.modeleArbre; }
    static Glib::RefPtr<Gtk::ActionGroup> actions(FenetreVisionneuse& f) { return f.groupeActions; }
    static Glib::RefPtr<Gtk::UIManager> ui(FenetreVisionneuse& f) { return f.gestionnaireUI; }
    static Gtk::TextView& vueAnnotation(FenetreVisionneuse& f) { return f.vueAnnotation; }
    static Glib::ustring texte(FenetreVisionneuse& f) { return f.texteAnnotation->get_text(); }
    static Gtk::VBox& boiteFenetre(FenetreVisionneuse& f) { return f.boiteFenetre; }
    static Gtk::HBox& boitePrincipale(FenetreVisionneuse& f) { return f.boitePrincipale; }
    static Gtk::VBox& colonneGauche(FenetreVisionneuse& f) { return f.colonneGauche; }
    static Gtk::ScrolledWindow& defilArbre(FenetreVisionneuse& f) { return f.defilArbre; }
    static Gtk::ScrolledWindow& defilAnnotation(FenetreVisionneuse& f) { return f.defilAnnotation; }
    static Gtk::ScrolledWindow& defilDessin(FenetreVisionneuse& f) { return f.defilDessin; }
    static Gtk::HButtonBox& boiteBoutons(FenetreVisionneuse& f) { return f.boiteBoutons; }
    static Gtk::Button& nouvelle(FenetreVisionneuse& f) { return f.boutonNouvelle; }
    static Gtk::Button& modifier(FenetreVisionneuse& f) { return f.boutonModifier; }
    static Gtk::Button& supprimer(FenetreVisionneuse& f) { return f.boutonSupprimer; }
    static const std::string& dossierChoix(FenetreVisionneuse& f) { return f.dossierChoix; }

    static DXFArea& dessin(Tarsin& t) { return t.dessin; }
    static const Tarsin::ModelColumns& colonnes(Tarsin& t) { return t.colonnes; }
    static const std::string& fichierAnnot(Tarsin& t) { return t.fichier_annot; }
    static Gtk::HBox& barreOutils(Tarsin& t) { return t.barreOutils; }
    static Gtk::HBox& boiteZoom(Tarsin& t) { return t.boiteZoom; }
    static Gtk::HBox& boiteCommandes(Tarsin& t) { return t.boiteCommandes; }
    static Gtk::Button& zoomP(Tarsin& t) { return t.boutonZoomP; }
    static Gtk::Button& zoomM(Tarsin& t) { return t.boutonZoomM; }
    static Gtk::Button& ajuster(Tarsin& t) { return t.boutonAjuster; }
    static Gtk::Statusbar& barreEtat(Tarsin& t) { return t.barreEtat; }
    static const Dessin* dessinOuvert(Tarsin& t) { return t.dessinOuvert.get(); }
    static OutilsDessin& outils(Tarsin& t) { return t.outils; }
    static Gtk::HBox& boiteCalques(Tarsin& t) { return t.boiteCalques; }
    static Gtk::ToggleButton& mesurer(Tarsin& t) { return t.outils.boutonMesurer; }
    // Searches `s` in the dialog "Rechercher" and shows the first text found.
    static void chercher(Tarsin& t, const std::string& s) {
        t.outils.rechercher();
        t.outils.champRecherche.set_text(s);
        t.outils.on_recherche_activate();
        t.outils.on_recherche_suivant(1);
    }
    static Gtk::ComboBoxText& presentations(Tarsin& t) { return t.choixPresentation; }
    static GdkWindow* poignee(Tarsin& t) { return t.poignee.poignee_; }
    // What the status bar says.
    static std::string etat(Tarsin& t) {
        return gtk_label_get_text(GTK_LABEL(t.barreEtat.gobj()->label));
    }
    // The recent drawings as the arrow of "Ouvrir" lists them.
    static std::vector<std::string> recents(Tarsin& t) {
        std::vector<std::string> uris;
        auto* o = dynamic_cast<Gtk::MenuToolButton*>(t.gestionnaireUI->get_widget("/ToolBar/Open"));
        auto* menu = o ? dynamic_cast<Gtk::RecentChooserMenu*>(o->get_menu()) : nullptr;
        if (!menu) return uris;
        // gtkmm's get_items() does not free what it is given.
        GList* items = gtk_recent_chooser_get_items(GTK_RECENT_CHOOSER(menu->gobj()));
        for (GList* i = items; i; i = i->next) {
            auto* info = static_cast<GtkRecentInfo*>(i->data);
            uris.push_back(gtk_recent_info_get_uri(info));
            gtk_recent_info_unref(info);
        }
        g_list_free(items);
        return uris;
    }

    static bool exposer(DXFArea& d, GdkEventExpose* e) { return d.on_expose_event(e); }

    static const FenetrePlan::ModelColumns& colonnes(FenetrePlan& f) { return f.colonnes; }
    static const Glib::ustring& rangCourant(FenetrePlan& f) { return f.rangCourant; }
};
