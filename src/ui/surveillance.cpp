#include "ui/surveillance.h"

#include <glibmm/main.h>

SurveillanceFichier::SurveillanceFichier(unsigned calme) : calme(calme) {}

SurveillanceFichier::~SurveillanceFichier() { arreter(); }

bool SurveillanceFichier::surveiller(const std::string& chemin) {
    arreter();
    try {
        moniteur = Gio::File::create_for_path(chemin)->monitor_file();
    } catch (const Glib::Error&) {
        return false;
    }
    if (!moniteur) return false;
    moniteur->signal_changed().connect(
        sigc::mem_fun(*this, &SurveillanceFichier::on_moniteur_changed));
    return true;
}

void SurveillanceFichier::arreter() {
    minuterie.disconnect();
    if (moniteur) moniteur->cancel();
    moniteur.reset();
}

void SurveillanceFichier::on_moniteur_changed(const Glib::RefPtr<Gio::File>&,
                                              const Glib::RefPtr<Gio::File>&,
                                              Gio::FileMonitorEvent evenement) {
    // A change of permissions or dates leaves the content as it was.
    if (evenement == Gio::FILE_MONITOR_EVENT_ATTRIBUTE_CHANGED ||
        evenement == Gio::FILE_MONITOR_EVENT_PRE_UNMOUNT ||
        evenement == Gio::FILE_MONITOR_EVENT_UNMOUNTED)
        return;
    // Each change of the burst puts the end of the wait further.
    minuterie.disconnect();
    minuterie =
        Glib::signal_timeout().connect(sigc::mem_fun(*this, &SurveillanceFichier::on_calme), calme);
}

bool SurveillanceFichier::on_calme() {
    change.emit();
    return false;
}
