// tarsin-plan's greeting window: a label, an entry and a button that writes
// a greeting built from the entry's text into the label. The program defines
// it and never shows it.
#pragma once

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

class maFenetre : public Gtk::Window {
  public:
    maFenetre();
    virtual ~maFenetre();

  protected:
    void on_button_clicked();

    Gtk::VBox box;
    Gtk::Label label;
    Gtk::Entry entry;
    Gtk::Button button;
};
