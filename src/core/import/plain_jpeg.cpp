#include "core/import/detail/plain_jpeg.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <turbojpeg.h>

namespace mosavelle {

namespace {

// The smallest size libjpeg-turbo decodes a `stored` JPEG at that is at least `size` on both
// axes; nothing when even the full size is smaller.
std::optional<PixelSize> smallestScaleCovering(PixelSize stored, PixelSize size) {
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    std::optional<PixelSize> best;
    for (int i = 0; factors != nullptr && i < count; ++i) {
        const tjscalingfactor factor = factors[i];
        if (factor.num > factor.denom)
            continue;
        const PixelSize scaled{TJSCALED(stored.width, factor), TJSCALED(stored.height, factor)};
        if (scaled.width >= size.width && scaled.height >= size.height &&
            (!best || scaled.width < best->width))
            best = scaled;
    }
    return best;
}

// How one output pixel along an axis draws on the input: from `first` on, each input pixel with
// the share of the output pixel's area it covers.
struct AreaShare {
    int first = 0;
    std::vector<float> weights;
};

// The shares for `to` output pixels over `from` input pixels (to <= from): output pixel i covers
// input [i * from / to, (i + 1) * from / to).
std::vector<AreaShare> areaShares(int from, int to) {
    const double step = static_cast<double>(from) / to;
    std::vector<AreaShare> shares(static_cast<std::size_t>(to));
    for (int i = 0; i < to; ++i) {
        const double begin = i * step, end = std::min<double>((i + 1) * step, from);
        AreaShare& share = shares[static_cast<std::size_t>(i)];
        share.first = std::min(from - 1, static_cast<int>(begin));
        for (int at = share.first; at < end; ++at) {
            const double covered = std::min<double>(end, at + 1) - std::max<double>(begin, at);
            if (covered > 0)
                share.weights.push_back(static_cast<float>(covered / step));
        }
    }
    return shares;
}

// Adds row `y` of the opaque `image`, averaged across by `across`, times `weight` to `sum` (RGB
// triples).
void addRowAcross(const RgbaImage& image, int y, const std::vector<AreaShare>& across, float weight,
                  std::vector<float>& sum) {
    for (std::size_t x = 0; x < across.size(); ++x) {
        const AreaShare& share = across[x];
        float* target = sum.data() + x * 3;
        for (std::size_t k = 0; k < share.weights.size(); ++k) {
            const std::uint8_t* pixel = image.pixel(share.first + int(k), y);
            const float w = weight * share.weights[k];
            for (int c = 0; c < 3; ++c)
                target[c] += w * pixel[c];
        }
    }
}

// The opaque `image` averaged down to `size` (at most its own on each axis), one output row at a
// time, so that nothing larger than a row is held beside the two pictures.
RgbaImage averagedDown(const RgbaImage& image, PixelSize size) {
    const std::vector<AreaShare> across = areaShares(image.width, size.width);
    const std::vector<AreaShare> down = areaShares(image.height, size.height);
    RgbaImage out{size.width, size.height,
                  std::vector<std::uint8_t>(std::size_t(size.width) * size.height * 4, 255)};
    std::vector<float> sum(std::size_t(size.width) * 3);
    for (int y = 0; y < size.height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const AreaShare& share = down[std::size_t(y)];
        for (std::size_t k = 0; k < share.weights.size(); ++k)
            addRowAcross(image, share.first + int(k), across, share.weights[k], sum);
        std::uint8_t* target = out.pixels.data() + std::size_t(y) * size.width * 4;
        for (std::size_t i = 0; i < sum.size(); ++i)
            target[i / 3 * 4 + i % 3] =
                static_cast<std::uint8_t>(std::clamp(std::lround(sum[i]), 0l, 255l));
    }
    return out;
}

}  // namespace

std::optional<RgbaImage> decodePlainJpeg(const Bytes& bytes, PixelSize stored, PixelSize size) {
    if (bytes.size() > static_cast<std::size_t>(ULONG_MAX) || size.width < 1 || size.height < 1)
        return std::nullopt;
    const std::unique_ptr<void, decltype(&tjDestroy)> decompressor(tjInitDecompress(), tjDestroy);
    const auto length = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (!decompressor ||
        tjDecompressHeader3(decompressor.get(), bytes.data(), length, &width, &height, &subsampling,
                            &colourspace) != 0 ||
        (colourspace != TJCS_YCbCr && colourspace != TJCS_RGB && colourspace != TJCS_GRAY) ||
        width != stored.width || height != stored.height)
        return std::nullopt;
    const std::optional<PixelSize> scaled = smallestScaleCovering(stored, size);
    if (!scaled)
        return std::nullopt;
    RgbaImage image{scaled->width, scaled->height,
                    std::vector<std::uint8_t>(std::size_t(scaled->width) * scaled->height * 4)};
    // Asked for a size it has a scale for, the decoder takes exactly that scale. A warning (data
    // cut short, a bad Huffman code) fails the call as an error does.
    if (tjDecompress2(decompressor.get(), bytes.data(), length, image.pixels.data(), image.width,
                      image.width * 4, image.height, TJPF_RGBA, 0) != 0)
        return std::nullopt;
    if (*scaled == size)
        return image;
    return averagedDown(image, size);
}

}  // namespace mosavelle
