// tarsin-plan: the earlier viewer. It reads the drawing named on its command
// line, at the scale given after it.
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <cstdlib>

#include "demarrage/icone.h"
#include "demarrage/options.h"
#include "model/trace.h"
#include "plan/fenetre_plan.h"
#include "plan/lecture_plan.h"
#include "ui/dxfarea.h"

int main(int argc, char** argv) {
    if (const auto fin = repondreAideOuVersion(argc, argv, "tarsin-plan", kAidePlan)) return *fin;
    // The toolkit's own options (--sync, --display...) come out next,
    // without a display being opened: the drawing and the scale are what is
    // left, and a drawing is checked, and refused, with no display at all.
    gtk_parse_args(&argc, &argv);
    if (argc < 2) {
        usage();
        return 0;
    }
    double echelle = 1.0;
    if (argc > 2 && !lireEchelle(argv[2], echelle)) {
        std::cerr << "Echelle invalide : " << argv[2] << " (il faut un nombre entre " << kEchelleMin
                  << " et " << kEchelleMax << ")." << std::endl;
        return 2;
    }
    Trace::installerVidageSurSignal();
    ResultatLecture lu;
    std::shared_ptr<const Dessin> dessinLu = testReading(argv[1], lu);
    // A refused file ends the program here, its message already written.
    if (lectureAbandonnee(lu)) return statutSortie(lu);

    Gtk::Main kit(argc, argv);
    FenetrePlan fenetre;
    fenetre.set_title("Plan");
    poserIcone(fenetre, cheminIcone());
    DXFArea dessin(dessinLu, echelle);
    fenetre.addArea(dessin);
    Gtk::Main::run(fenetre);
    return statutSortie(lu);
}
