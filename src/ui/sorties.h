// What leaves the full viewer other than on screen: the picture of a view
// saved into a file (the chooser that asks where), and printing.
#pragma once

#include <gtkmm/printoperation.h>
#include <gtkmm/printsettings.h>
#include <gtkmm/window.h>

#include <iostream>
#include <list>
#include <optional>
#include <string>

#include "model/dessin.h"
#include "model/geometrie.h"
#include "render/exportation.h"

// What the export chooser was told.
struct ChoixExport {
    std::string chemin;  // ends with the extension of `format`
    FormatImage format;
    bool toutLeDessin;  // the whole drawing fitted, rather than the view
};

// Asks where to save the picture: a save chooser titled "Exporter", opened
// in `dossier` with `nom` proposed, a filter per format and a box "Tout le
// dessin" ticked as `toutLeDessin`. A name without a known extension takes
// the one of the filter in force. None when cancelled.
std::optional<ChoixExport> choisirExport(Gtk::Window& parent, const std::string& dossier,
                                         const std::string& nom, bool toutLeDessin);

// Printing a drawing on one page through the toolkit's print dialog, on
// the paper's white (colour 7 black) whatever background the window shows.
// The printer's settings and the choice of what is printed are kept from
// one print to the next.
class Impression {
  public:
    // Prints `dessin`, the layers `masques` hidden: the part `vue` (what the
    // window shows) or, if so chosen in the dialog's tab "Dessin", the whole
    // drawing, fitted to the printable part of the page, the page turned to
    // suit it. `action` and `fichier`: the toolkit's, EXPORT writing a PDF
    // file without a dialog. Returns what went wrong, empty when it printed
    // or was cancelled.
    std::string imprimer(
        Gtk::Window& parent, const Dessin& dessin, const Boite& vue,
        const std::list<std::string>& masques, const std::string& titre,
        Gtk::PrintOperationAction action = Gtk::PRINT_OPERATION_ACTION_PRINT_DIALOG,
        const std::string& fichier = {});
    bool getToutLeDessin() const { return toutLeDessin; }
    // The layout printed (see Peintre::setPresentation).
    void setPresentation(std::size_t rang) { presentation = rang; }
    void setToutLeDessin(bool oui) { toutLeDessin = oui; }

  private:
    Glib::RefPtr<Gtk::PrintSettings> reglages;
    bool toutLeDessin = false;
    std::size_t presentation = 0;
};
