#include "core/export/scaffold.h"

#include <map>
#include <string>

#include "core/platform/names.h"

namespace mosavelle {

namespace {

const std::map<std::string, Bytes, std::less<>>& embeddedParts() {
    static const auto parts = [] {
        std::map<std::string, Bytes, std::less<>> out;
        for (std::size_t i = 0; i < detail::embeddedScaffoldFileCount; ++i) {
            const auto& file = detail::embeddedScaffoldFiles[i];
            out.emplace(file.path, Bytes(file.data, file.size));
        }
        return out;
    }();
    return parts;
}

}  // namespace

Result<Bytes> readScaffoldFile(std::string_view packagePath) {
    const auto& parts = embeddedParts();
    if (auto it = parts.find(packagePath); it != parts.end())
        return it->second;
    const auto slash = packagePath.rfind('/');
    const auto name = slash == std::string_view::npos ? packagePath : packagePath.substr(slash + 1);
    return Error{"The file " + quoted(name) + " couldn’t be opened because there is no such file."};
}

}  // namespace mosavelle
