// The firmware container split over any text: the images it hands on lie inside the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/firmware_container.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const app::SplitContainer split = app::splitContainer(text);
    const std::size_t images =
        (split.imageA ? split.imageA->size() : 0) + (split.imageB ? split.imageB->size() : 0);
    if (images > text.size()) __builtin_trap();
    if (split.result != app::ContainerResult::split && split.kind() != app::kNoImage) __builtin_trap();
    (void)app::isContainerName(text);
    return 0;
}
