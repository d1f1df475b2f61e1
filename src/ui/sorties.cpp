#include "ui/sorties.h"

#include <glibmm/fileutils.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/pagesetup.h>
#include <gtkmm/printcontext.h>
#include <gtkmm/stock.h>

#include "model/etendue.h"
#include "render/peintre.h"
#include "render/polices.h"
#include "render/presentation_peinte.h"
#include "ui/fenetre.h"

namespace {

// Whether `chemin` may be written: it does not exist yet, or the user says
// so.
bool remplacer(Gtk::Window& parent, const std::string& chemin) {
    if (!Glib::file_test(chemin, Glib::FILE_TEST_EXISTS)) return true;
    Gtk::MessageDialog question(
        parent,
        "Le fichier " + Glib::filename_display_basename(chemin) + " existe déjà. Le remplacer ?",
        false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_OK_CANCEL, true);
    return question.run() == Gtk::RESPONSE_OK;
}

}  // namespace

std::optional<ChoixExport> choisirExport(Gtk::Window& parent, const std::string& dossier,
                                         const std::string& nom, bool toutLeDessin) {
    Gtk::FileChooserDialog dialogue(parent, "Exporter", Gtk::FILE_CHOOSER_ACTION_SAVE);
    dialogue.add_button(Gtk::Stock::CANCEL, Gtk::RESPONSE_CANCEL);
    dialogue.add_button(Gtk::Stock::SAVE, Gtk::RESPONSE_OK);
    dialogue.set_default_response(Gtk::RESPONSE_OK);
    dialogue.set_do_overwrite_confirmation(true);
    if (!dossier.empty()) dialogue.set_current_folder(dossier);
    dialogue.set_current_name(nom);

    const struct {
        FormatImage format;
        const char* nom;
    } formats[] = {
        {FormatImage::Png, "Image PNG (*.png)"},
        {FormatImage::Svg, "Dessin SVG (*.svg)"},
        {FormatImage::Pdf, "Document PDF (*.pdf)"},
    };
    Gtk::FileFilter filtres[3];
    for (int i = 0; i < 3; ++i) {
        filtres[i].set_name(formats[i].nom);
        filtrerExtension(filtres[i], extensionFormat(formats[i].format));
        dialogue.add_filter(filtres[i]);
    }
    Gtk::CheckButton tout("Tout le dessin, ajusté à l'image, plutôt que la vue");
    tout.set_active(toutLeDessin);
    tout.show();
    dialogue.set_extra_widget(tout);

    if (dialogue.run() != Gtk::RESPONSE_OK) return std::nullopt;
    ChoixExport choix{dialogue.get_filename(), FormatImage::Png, tout.get_active()};
    if (const auto f = formatDuNom(choix.chemin)) {
        choix.format = *f;
        return choix;
    }
    // The name lacks the extension: the format of the filter in force.
    const Gtk::FileFilter* filtre = dialogue.get_filter();
    for (int i = 0; i < 3; ++i)
        if (filtre && filtre->gobj() == filtres[i].gobj()) choix.format = formats[i].format;
    choix.chemin += extensionFormat(choix.format);
    // The chooser asked about the name as typed, not about this one.
    if (!remplacer(dialogue, choix.chemin)) return std::nullopt;
    return choix;
}

std::string Impression::imprimer(Gtk::Window& parent, const Dessin& dessin, const Boite& vue,
                                 const std::list<std::string>& masques, const std::string& titre,
                                 Gtk::PrintOperationAction action, const std::string& fichier) {
    Glib::RefPtr<Gtk::PrintOperation> operation = Gtk::PrintOperation::create();
    if (reglages) operation->set_print_settings(reglages);
    operation->set_job_name(titre);
    operation->set_n_pages(1);
    // One unit a point: strokes of one unit are a point wide on paper.
    operation->set_unit(Gtk::UNIT_POINTS);
    if (!fichier.empty()) operation->set_export_filename(fichier);

    bool tout = toutLeDessin;
    auto cadre = [&]() { return tout ? etenduePresentation(dessin, presentation) : vue; };
    operation->set_custom_tab_label("Dessin");
    operation->signal_create_custom_widget().connect([&tout]() -> Gtk::Widget* {
        auto* boite = Gtk::manage(new Gtk::CheckButton("Tout le dessin, plutôt que la vue"));
        boite->set_active(tout);
        boite->show();
        return boite;
    });
    operation->signal_custom_widget_apply().connect([&tout](Gtk::Widget* w) {
        if (auto* boite = dynamic_cast<Gtk::CheckButton*>(w)) tout = boite->get_active();
    });
    operation->signal_request_page_setup().connect(
        [&](const Glib::RefPtr<Gtk::PrintContext>&, int, const Glib::RefPtr<Gtk::PageSetup>& p) {
            const Boite b = cadre();
            p->set_orientation(b.largeur() > b.hauteur() ? Gtk::PAGE_ORIENTATION_LANDSCAPE
                                                         : Gtk::PAGE_ORIENTATION_PORTRAIT);
        });
    // From the dialog's end to the job written: GTK paints the page, then
    // writes it out, on this thread; whatever else looks up glyphs waits
    // (polices.h).
    std::unique_lock<std::recursive_mutex> glyphes(verrouGlyphes(), std::defer_lock);
    operation->signal_begin_print().connect(
        [&glyphes](const Glib::RefPtr<Gtk::PrintContext>&) { glyphes.lock(); });
    operation->signal_draw_page().connect(
        [&](const Glib::RefPtr<Gtk::PrintContext>& contexte, int) {
            const double l = contexte->get_width(), h = contexte->get_height();
            Peintre peintre;
            peintre.setPresentation(presentation);
            const Vue v =
                tout ? ajusterPresentation(dessin, presentation, l, h, 0) : ajuster(vue, l, h, 0);
            peintre.peindre(contexte->get_cairo_context(), dessin, v, h, Zone{0, 0, l, h}, masques);
        });

    Gtk::PrintOperationResult resultat;
    try {
        resultat = operation->run(action, parent);
    } catch (const Glib::Error& e) {
        return e.what();
    }
    if (resultat == Gtk::PRINT_OPERATION_RESULT_ERROR) return "erreur d'impression";
    if (resultat == Gtk::PRINT_OPERATION_RESULT_APPLY) {
        reglages = operation->get_print_settings();
        toutLeDessin = tout;
    }
    return {};
}
