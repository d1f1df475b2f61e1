// tarsin-plan's greeting window, built and clicked on a real display (Xvfb
// in the test runs; the toolkit is started by the window tests' main).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <gtkmm/main.h>

#include "plan/ma_fenetre.h"

namespace {

class FenetreEssai : public maFenetre {
  public:
    using maFenetre::box;
    using maFenetre::button;
    using maFenetre::entry;
    using maFenetre::label;
};

}  // namespace

TEST(MaFenetre, Construction) {
    FenetreEssai f;
    EXPECT_FALSE(f.get_visible());
    EXPECT_EQ(f.get_child(), &f.box);
    EXPECT_TRUE(f.box.get_visible());
    const auto enfants = f.box.get_children();
    ASSERT_EQ(enfants.size(), 3u);
    auto it = enfants.begin();
    EXPECT_EQ(*it++, &f.label);
    EXPECT_EQ(*it++, &f.entry);
    EXPECT_EQ(*it++, &f.button);
    for (Gtk::Widget* w : enfants) {
        EXPECT_TRUE(w->get_visible());
        // Expanding and filling, no padding, from the start.
        gboolean expand = FALSE, fill = FALSE;
        guint padding = 1;
        GtkPackType sens = GTK_PACK_END;
        gtk_box_query_child_packing(GTK_BOX(f.box.gobj()), w->gobj(), &expand, &fill, &padding,
                                    &sens);
        EXPECT_TRUE(expand);
        EXPECT_TRUE(fill);
        EXPECT_EQ(padding, 0u);
        EXPECT_EQ(sens, GTK_PACK_START);
    }
    EXPECT_FALSE(f.box.get_homogeneous());
    EXPECT_EQ(f.box.get_spacing(), 0);
    EXPECT_EQ(f.label.get_text(), "");
    EXPECT_EQ(f.entry.get_text(), "");
    EXPECT_EQ(f.button.get_label(), "");
}

TEST(MaFenetre, ClicSaluant) {
    FenetreEssai f;
    f.button.clicked();
    EXPECT_EQ(f.label.get_text(), "Bonjour  !");

    f.entry.set_text("Ana\xc3\xafs");
    f.button.clicked();
    EXPECT_EQ(f.label.get_text(), "Bonjour Ana\xc3\xafs !");
    f.button.clicked();
    EXPECT_EQ(f.label.get_text(), "Bonjour Ana\xc3\xafs !");

    f.entry.set_text("");
    f.button.clicked();
    EXPECT_EQ(f.label.get_text(), "Bonjour  !");
}

TEST(MaFenetre, AfficheeParQuiLaCree) {
    FenetreEssai f;
    f.show();
    while (Gtk::Main::events_pending()) Gtk::Main::iteration(false);
    EXPECT_TRUE(f.get_visible());
    f.entry.set_text("Paul");
    f.button.clicked();
    EXPECT_EQ(f.label.get_text(), "Bonjour Paul !");
    f.hide();
}
