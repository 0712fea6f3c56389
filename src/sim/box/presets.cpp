#include "sim/box/presets.h"

#include <utility>

#include "arvex/config.h"
#include "sim/box/information_area.h"

namespace sim {

namespace {

// Both processors carry the same identity, as the maker writes them together.
void seed(SimBackend& bus, std::size_t index, BoxIdentity identity) {
    identity.serial = serialAt(identity.serial, index);
    for (int target = 0; target < 2; ++target)
        writeInformationArea(bus, target, identity, arvex::config::kIdentityKey, index);
}

BoxIdentity withSerial(std::uint32_t serial, const char* reference = "AK02") {
    BoxIdentity identity;
    identity.serial = serial;
    identity.reference = reference;
    return identity;
}

void prepareGood(SimBackend& bus, std::size_t index) {
    seed(bus, index, withSerial(12345));
}
void prepareAk03(SimBackend& bus, std::size_t index) {
    seed(bus, index, withSerial(23456, "AK03"));
}
void prepareNoVersions(SimBackend& bus, std::size_t index) {
    BoxIdentity identity = withSerial(34567);
    identity.firmwareVersion.reset();
    identity.hardwareVersion.reset();
    seed(bus, index, identity);
}
// A box whose information area went bad: a short reference, no reseller and no version texts.
void prepareDamaged(SimBackend& bus, std::size_t index) {
    BoxIdentity identity = withSerial(45678, "AK");
    identity.reseller.clear();
    identity.firmwareVersion.reset();
    identity.hardwareVersion.reset();
    seed(bus, index, identity);
}
void prepareUnregistered(SimBackend& bus, std::size_t index) {
    seed(bus, index, withSerial(77777));
}
void prepareBlocked(SimBackend& bus, std::size_t index) {
    seed(bus, index, withSerial(66666, "AK03"));
}
void prepareErased(SimBackend&, std::size_t) {}
// Longer than the 3 s that bounds a plain answer: only the erase answer's own bound lets it through.
void prepareSlowErase(SimBackend& bus, std::size_t index) {
    prepareGood(bus, index);
    bus.setEraseMs(3500);  // the whole bus: the erase time is a setting of the simulation
}

// The default box with 56-byte packets, whose read answers and program frames are right-aligned.
BoxConfig rightAlignedConfig() {
    return defaultBoxConfig(56);
}

void prepareUnplugged(SimBackend& bus, std::size_t index) {
    bus.unplug(index);
}

}  // namespace

const std::vector<Preset>& presets() {
    static const std::vector<Preset> table = {
        {"good", "AK02 serial 00012345, reseller Arvex, firmware 1.0, hardware 2 (the default)", prepareGood},
        {"good56", "as good, with 56-byte packets right-aligned in the frame", prepareGood,
         rightAlignedConfig},
        {"slowerase", "as good, its flash erase takes 3.5 s", prepareSlowErase},
        {"ak03", "AK03 serial 00023456", prepareAk03},
        {"noversions", "AK02 serial 00034567 without firmware and hardware version", prepareNoVersions},
        {"damaged", "reference \"AK\" serial 00045678, no reseller, no versions: fails the identity check",
         prepareDamaged},
        {"unregistered", "AK02 serial 00077777, unknown to the stand-in server", prepareUnregistered},
        {"blocked", "AK03 serial 00066666, black-listed by the stand-in server", prepareBlocked},
        {"erased", "default layout, erased memory, no information area", prepareErased},
        {"unplugged", "no box on the bus", prepareUnplugged},
    };
    return table;
}

std::uint32_t serialAt(std::uint32_t presetSerial, std::size_t index) {
    return presetSerial + static_cast<std::uint32_t>(index % 100) * 1000000u;
}

bool addPresetBox(SimBackend& bus, const std::string& name, BoxConfig (*layout)(BoxConfig)) {
    const std::string wanted = name.empty() || name == "default" ? "good" : name;
    for (const Preset& preset : presets()) {
        if (wanted != preset.name) continue;
        BoxConfig config = preset.config != nullptr ? preset.config() : defaultBoxConfig();
        if (layout != nullptr) config = layout(std::move(config));
        preset.prepare(bus, bus.addBox(config));
        return true;
    }
    return false;
}

std::shared_ptr<SimBackend> makePresetBox(const std::string& names, BoxConfig (*layout)(BoxConfig),
                                          std::string* unknown) {
    auto bus = std::make_shared<SimBackend>(std::vector<BoxConfig>{});
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = names.find(',', from);
        const std::string name = names.substr(from, comma == std::string::npos ? comma : comma - from);
        if (!addPresetBox(*bus, name, layout)) {
            if (unknown != nullptr) *unknown = name;
            return nullptr;
        }
        if (comma == std::string::npos) return bus;
        from = comma + 1;
    }
}

}  // namespace sim
