// The trace buffer: number format, flushing.
#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cmath>
#include <random>
#include <sstream>

#include "model/trace.h"

TEST(Trace, NombresCommeLeFluxParDefaut) {
    std::mt19937_64 alea(42);
    std::uniform_real_distribution<double> mantisse(-10, 10);
    std::uniform_int_distribution<int> exposant(-12, 12);
    std::vector<double> valeurs = {0.0,   -0.0,   0.5,   100,     12.3457, 1234567,
                                   1e-05, 123456, -120,  -999999, 999999,  999999.5,
                                   1e6,   -1e6,   -1e-4, 0.0001,  1e300,   5e-324};
    for (int i = 0; i < 20000; ++i)
        valeurs.push_back(mantisse(alea) * std::pow(10.0, exposant(alea)));
    for (int i = -3000; i < 3000; ++i) valeurs.push_back(i * 337.0);
    // Near the ties of the seventh digit and the powers of ten, at each exponent.
    for (double p = 1e-5; p < 1e7; p *= 10)
        for (double d : {1.234565, 9.999995, 9.9999949, 1.0000005, 0.99999996, 1.0, 5.0000005})
            for (double e : {-1e-15, 0.0, 1e-15}) valeurs.push_back(d * (1 + e) * p);
    auto ecrit = [](double v) {
        std::string s;
        Trace::ajouterNombre(s, v);
        return s;
    };
    for (double v : valeurs) {
        std::ostringstream attendu;
        attendu << v;
        EXPECT_EQ(ecrit(v), attendu.str()) << v;
    }
    EXPECT_EQ(ecrit(1234567), "1.23457e+06");
    EXPECT_EQ(ecrit(-0.0), "-0");
}

TEST(Trace, PointDecimalSousUneLocaleFrancaise) {
    const std::string avant = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "fr_FR.UTF-8")) GTEST_SKIP() << "locale fr_FR.UTF-8 absente";
    std::ostringstream s;
    {
        Trace t(s);
        t << 2.5 << ' ' << 1234567.0;
        t.finLigne();
    }
    std::setlocale(LC_ALL, avant.c_str());
    EXPECT_EQ(s.str(), "2.5 1.23457e+06\n");
}

TEST(Trace, ToutEstEcritQuandOnVideOuALaFin) {
    std::ostringstream s;
    {
        Trace t(s);
        t << "bloc : " << 3 << " " << 7u;
        t.finLigne();
        EXPECT_EQ(s.str(), "");
        t.vider();
        EXPECT_EQ(s.str(), "bloc : 3 7\n");
        t.tabulations(2);
        t << "ligne";
        t.finLigne();
    }
    EXPECT_EQ(s.str(), "bloc : 3 7\n\t\tligne\n");
}

TEST(Trace, LeTamponPleinSeDeverse) {
    std::ostringstream s;
    Trace t(s);
    for (int i = 0; i < 20000; ++i) {
        t << "ligne numero " << i;
        t.finLigne();
    }
    EXPECT_GT(s.str().size(), 0u);
    t.vider();
    EXPECT_EQ(s.str().substr(s.str().size() - 19), "ligne numero 19999\n");
}

TEST(TraceDeathTest, VideeQuandLeProcessusMeurt) {
    // A fatal signal still writes out what was buffered.
    EXPECT_EXIT(
        {
            Trace::installerVidageSurSignal();
            Trace t(std::cerr);
            t << "avant la chute";
            t.finLigne();
            std::raise(SIGABRT);
        },
        testing::KilledBySignal(SIGABRT), "avant la chute");
}
