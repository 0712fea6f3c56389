#include "sim/box/presets.h"

#include <utility>

#include "arvex/config.h"
#include "sim/box/information_area.h"

namespace sim {

namespace {

// Both processors carry the same identity, as the maker writes them together.
void seed(SimBackend& box, const BoxIdentity& identity) {
    for (int target = 0; target < 2; ++target)
        writeInformationArea(box, target, identity, arvex::config::kIdentityKey);
}

BoxIdentity withSerial(std::uint32_t serial, const char* reference = "AK02") {
    BoxIdentity identity;
    identity.serial = serial;
    identity.reference = reference;
    return identity;
}

void prepareGood(SimBackend& box) {
    seed(box, withSerial(12345));
}
void prepareAk03(SimBackend& box) {
    seed(box, withSerial(23456, "AK03"));
}
void prepareNoVersions(SimBackend& box) {
    BoxIdentity identity = withSerial(34567);
    identity.firmwareVersion.reset();
    identity.hardwareVersion.reset();
    seed(box, identity);
}
// A box whose information area went bad: a short reference, no reseller and no version texts.
void prepareDamaged(SimBackend& box) {
    BoxIdentity identity = withSerial(45678, "AK");
    identity.reseller.clear();
    identity.firmwareVersion.reset();
    identity.hardwareVersion.reset();
    seed(box, identity);
}
void prepareUnregistered(SimBackend& box) {
    seed(box, withSerial(77777));
}
void prepareBlocked(SimBackend& box) {
    seed(box, withSerial(66666, "AK03"));
}
void prepareErased(SimBackend&) {}
// Longer than the 3 s that bounds a plain answer: only the erase answer's own bound lets it through.
void prepareSlowErase(SimBackend& box) {
    prepareGood(box);
    box.setEraseMs(3500);
}

// The default box with 56-byte packets, whose read answers and program frames are right-aligned.
BoxConfig rightAlignedConfig() {
    BoxConfig config = defaultBoxConfig();
    for (TargetLayout& target : config.targets) target.packetDataSize = 56;
    return config;
}

void prepareUnplugged(SimBackend& box) {
    box.unplug();
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

std::shared_ptr<SimBackend> makePresetBox(const std::string& name, BoxConfig (*layout)(BoxConfig)) {
    const std::string wanted = name.empty() || name == "default" ? "good" : name;
    for (const Preset& preset : presets()) {
        if (wanted != preset.name) continue;
        BoxConfig config = preset.config != nullptr ? preset.config() : defaultBoxConfig();
        if (layout != nullptr) config = layout(std::move(config));
        auto box = std::make_shared<SimBackend>(std::vector<BoxConfig>{config});
        preset.prepare(*box);
        return box;
    }
    return nullptr;
}

}  // namespace sim
