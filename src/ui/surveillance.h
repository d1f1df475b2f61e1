// Watching the file of the open drawing: a program that writes it (a CAD
// program saving, a script exporting) sends a burst of changes; the watch
// tells once, when the file has been still for a while.
#pragma once

#include <giomm/file.h>
#include <giomm/filemonitor.h>
#include <sigc++/sigc++.h>

#include <string>

class SurveillanceFichier {
  public:
    // The file must have been still for `calme` milliseconds.
    explicit SurveillanceFichier(unsigned calme = 400);
    ~SurveillanceFichier();
    SurveillanceFichier(const SurveillanceFichier&) = delete;
    SurveillanceFichier& operator=(const SurveillanceFichier&) = delete;

    // Watches `chemin` from now on, instead of the file watched so far:
    // its content changed, it was replaced (written under another name and
    // renamed onto it), removed or created. False when the system cannot
    // watch it; nothing is watched then.
    bool surveiller(const std::string& chemin);
    void arreter();

    // The watched file changed and has been still since.
    sigc::signal<void>& signal_change() { return change; }

  private:
    void on_moniteur_changed(const Glib::RefPtr<Gio::File>& fichier,
                             const Glib::RefPtr<Gio::File>& autre, Gio::FileMonitorEvent evenement);
    bool on_calme();

    const unsigned calme;
    Glib::RefPtr<Gio::FileMonitor> moniteur;
    sigc::connection minuterie;
    sigc::signal<void> change;
};
