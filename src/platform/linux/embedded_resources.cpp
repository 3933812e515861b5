// Resources compiled into the executable.
#include "platform/linux/embedded_resource_table.h"
#include "platform/resources.h"

namespace platform {
namespace {

class EmbeddedResources final : public Resources {
public:
    std::optional<std::span<const std::uint8_t>> Find(std::string_view type,
                                                      std::uint32_t id) const override {
        for (const auto* e = linux_impl::kEmbeddedResources; e->type; ++e) {
            if (e->id == id && ResourceTypeEquals(e->type, type)) {
                return std::span<const std::uint8_t>(e->begin, std::size_t(e->end - e->begin));
            }
        }
        return std::nullopt;
    }
};

}  // namespace

const Resources& Resources::Module() {
    static const EmbeddedResources resources;
    return resources;
}

}  // namespace platform
