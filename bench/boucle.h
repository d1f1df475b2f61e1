// The window benchmarks' measure of the main loop: how long it is kept from
// its events.
#pragma once

#include <glibmm/main.h>
#include <gtkmm/main.h>

#include <algorithm>
#include <chrono>
#include <functional>

using Horloge = std::chrono::steady_clock;

inline double ms(Horloge::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs the main loop until `fini` or `secondes` pass; returns the longest
// gap between two turns of the loop (a timeout every millisecond tells).
inline double tourner(const std::function<bool()>& fini, double secondes) {
    double ecartMax = 0;
    auto dernier = Horloge::now();
    sigc::connection c = Glib::signal_timeout().connect(
        [&] {
            const auto t = Horloge::now();
            ecartMax = std::max(ecartMax, ms(t - dernier));
            dernier = t;
            return true;
        },
        1);
    const auto limite = Horloge::now() + std::chrono::duration<double>(secondes);
    while (!fini() && Horloge::now() < limite) Gtk::Main::iteration(true);
    c.disconnect();
    return ecartMax;
}
