// A box reporter for the fleet tests that pulls its box off the bus 40 reports after the box's serial is
// known: during the erase and the programming that follow.
#pragma once

#include <cstddef>
#include <string>

#include "cli/fleet.h"
#include "sim/box/sim_backend.h"

class UnplugMidProgramming final : public cli::BoxReporter {
public:
    UnplugMidProgramming(cli::BoxReporter& inner, sim::SimBackend& bus, std::size_t box)
        : inner_(inner), bus_(bus), box_(box) {}
    void serial(const std::string& serial) override {
        bus_.unplugAfterReports(40, box_);
        inner_.serial(serial);
    }
    void progress(const std::string& phase, int percent) override { inner_.progress(phase, percent); }
    void line(const std::string& text) override { inner_.line(text); }

private:
    cli::BoxReporter& inner_;
    sim::SimBackend& bus_;
    std::size_t box_;
};
