#include "ui/fenetre.h"

#include <gdkmm/pixbuf.h>
#include <glibmm/convert.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/stock.h>

#include <cstdint>

#include "fichiers/noms.h"
#include "render/images.h"

namespace {

// An icon is a small picture: a few hundred pixels a side at most.
constexpr int kCoteIconeMax = 1024;

const char* raisonRefus(RefusImage refus) {
    switch (refus) {
        case RefusImage::Illisible:
            return "absente, illisible ou pas un fichier ordinaire";
        case RefusImage::Format:
            return "pas une image PNG, JPEG, TIFF, BMP ou GIF";
        case RefusImage::TropVolumineux:
            return "fichier trop volumineux";
        case RefusImage::TropGrande:
        case RefusImage::Budget:
            return "image trop grande";
        case RefusImage::TropCouteux:
        case RefusImage::Temps:
            return "image trop longue a decoder";
        case RefusImage::Decodage:
        case RefusImage::Aucun:
            break;
    }
    return "image endommagee";
}

}  // namespace

void poserIcone(Gtk::Window& fenetre, const std::string& fichier, std::ostream& erreurs) {
    // Read as the pictures of a drawing are: a regular file only, opened
    // without blocking (a named pipe called icon.gif must not hold the
    // start-up), raster formats only, its size checked before decoding.
    Decodage d;
    GdkPixbuf* icone =
        decoderImage(fichier, d, std::int64_t{kCoteIconeMax} * kCoteIconeMax, kCoteIconeMax);
    if (!icone) {
        erreurs << "Icone " << fichier << " non chargee (" << raisonRefus(d.refus)
                << ") : la fenetre s'ouvre sans icone.\n"
                << std::flush;
        return;
    }
    fenetre.set_icon(Glib::wrap(icone));
}

void filtrerExtension(Gtk::FileFilter& filtre, const char* extension) {
    filtre.add_custom(Gtk::FILE_FILTER_DISPLAY_NAME, [extension](const Gtk::FileFilter::Info& i) {
        return finitParExtension(i.display_name, extension);
    });
}

FenetreVisionneuse::FenetreVisionneuse(std::ostream& sortie, std::ostream& erreurs)
    : sortie(sortie),
      erreurs(erreurs),
      boiteFenetre(false, 0),
      colonneGauche(false, 0),
      boitePrincipale(false, 0) {
    set_default_size(2000, 2000);
    add(boiteFenetre);
}

FenetreVisionneuse::~FenetreVisionneuse() = default;

Gtk::Widget* FenetreVisionneuse::creerBarreOutils(const Barre& barre,
                                                  const Glib::RefPtr<Gtk::Action>& ouvrir,
                                                  const std::vector<ActionBarre>& autres) {
    groupeActions = Gtk::ActionGroup::create();
    groupeActions->add(ouvrir ? ouvrir
                              : Gtk::Action::create(barre.actionOuvrir, Gtk::Stock::OPEN,
                                                    barre.libelleOuvrir, "Ouvrir un fichier .dxf"),
                       sigc::mem_fun(*this, &FenetreVisionneuse::on_menu_file_open));
    for (const ActionBarre& a : autres) groupeActions->add(a.action, a.gestionnaire);
    groupeActions->add(
        Gtk::Action::create(barre.actionQuitter, Gtk::Stock::QUIT, barre.libelleQuitter),
        sigc::mem_fun(*this, &FenetreVisionneuse::on_menu_file_quit));
    gestionnaireUI = Gtk::UIManager::create();
    gestionnaireUI->insert_action_group(groupeActions, 0);
    try {
        gestionnaireUI->add_ui_from_string(barre.definition);
    } catch (const Glib::Error& e) {
        erreurs << barre.prefixeErreur << e.what() << std::flush;
    }
    return gestionnaireUI->get_widget("/ToolBar");
}

void FenetreVisionneuse::preparerBoutons() {
    const struct {
        Gtk::Button& bouton;
        const char* libelle;
        void (FenetreVisionneuse::*gestionnaire)();
    } boutons[] = {
        {boutonNouvelle, "Nouvelle", &FenetreVisionneuse::on_button_add},
        {boutonModifier, "Modifier", &FenetreVisionneuse::on_button_edit},
        {boutonSupprimer, "Supprimer", &FenetreVisionneuse::on_button_delete},
    };
    for (const auto& b : boutons) {
        b.bouton.set_label(b.libelle);
        b.bouton.set_sensitive(false);
        b.bouton.signal_clicked().connect(sigc::mem_fun(*this, b.gestionnaire));
        boiteBoutons.add(b.bouton);
    }
}

void FenetreVisionneuse::preparerArbre() {
    defilArbre.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    defilArbre.add(arbre);
}

void FenetreVisionneuse::preparerAnnotation(const Glib::ustring& texte) {
    texteAnnotation = Gtk::TextBuffer::create();
    texteAnnotation->set_text(texte);
    vueAnnotation.set_buffer(texteAnnotation);
    defilAnnotation.set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    defilAnnotation.add(vueAnnotation);
}

void FenetreVisionneuse::basculerBoutons(bool rangAnnotation) {
    boutonNouvelle.set_sensitive(!rangAnnotation);
    boutonModifier.set_sensitive(rangAnnotation);
    boutonSupprimer.set_sensitive(rangAnnotation);
}

void FenetreVisionneuse::afficherTexte(const std::string& texte) {
    Glib::ustring u(texte);
    if (!u.validate()) u = Glib::convert_with_fallback(texte, "UTF-8", "ISO-8859-15");
    texteAnnotation->set_text(u);
    vueAnnotation.set_buffer(texteAnnotation);
}

void FenetreVisionneuse::choisirFichier(const Choix& choix,
                                        const std::function<void(const std::string&)>& choisi) {
    Gtk::FileChooserDialog dialogue(*this, choix.titre, Gtk::FILE_CHOOSER_ACTION_OPEN);
    dialogue.add_button(Gtk::Stock::CANCEL, Gtk::RESPONSE_CANCEL);
    dialogue.add_button(Gtk::Stock::OPEN, Gtk::RESPONSE_OK);

    if (!dossierChoix.empty()) dialogue.set_current_folder(dossierChoix);

    Gtk::FileFilter dxf;
    dxf.set_name("*.dxf");
    filtrerExtension(dxf, ".dxf");
    dialogue.add_filter(dxf);
    Gtk::FileFilter tous;
    tous.set_name(choix.nomTousFichiers);
    tous.add_pattern("*");
    dialogue.add_filter(tous);

    if (dialogue.run() != Gtk::RESPONSE_OK) return;
    dossierChoix = dialogue.get_current_folder();
    choisi(dialogue.get_filename());
}

void FenetreVisionneuse::on_menu_file_quit() { hide(); }
