#include "plan/ma_fenetre.h"

maFenetre::maFenetre() : Gtk::Window(Gtk::WINDOW_TOPLEVEL), box(false, 0) {
    box.pack_start(label, Gtk::PACK_EXPAND_WIDGET, 0);
    label.show();
    box.pack_start(entry, Gtk::PACK_EXPAND_WIDGET, 0);
    entry.show();
    button.signal_clicked().connect(sigc::mem_fun(*this, &maFenetre::on_button_clicked));
    box.pack_start(button, Gtk::PACK_EXPAND_WIDGET, 0);
    button.show();
    add(box);
    box.show();
}

maFenetre::~maFenetre() = default;

void maFenetre::on_button_clicked() { label.set_text("Bonjour " + entry.get_text() + " !"); }
