// The shipped program image with one bit of its form section flipped, for
// every bit (of the logo's opaque bytes, every 16th byte): the verifier either refuses the image (and the loader says
// "程序映像已损坏") or the program loads and its window is built on the
// headless screen, with every element inside the form's limits. A flipped
// size bit must never reach a window system as a window of gigapixels.
#include <gearhost/headless.hpp>
#include <gearhost/host.hpp>
#include <gearhost/program_loader.hpp>
#include <gearimg/image.hpp>
#include <gearui/program.hpp>

#include <gtest/gtest.h>

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

extern "C" const unsigned char gear_program_image[];
extern "C" const std::size_t gear_program_image_size;

namespace {

namespace img = gr::image;

bool withinLimits(const gr::form::Element& e)
{
    const bool window = e.kind == gr::form::kWindow;
    const int32_t reach = window ? img::kMaxScreenCoordinate : img::kMaxFormExtent;
    return e.left >= -reach && e.left <= reach && e.top >= -reach && e.top <= reach && e.width >= 0 &&
           e.width <= img::kMaxFormExtent && e.height >= 0 && e.height <= img::kMaxFormExtent;
}

// The form with every text blanked: two forms that differ only in a
// caption, a list item, a name or the logo give the same answer, and the
// window is built from such a flip's form only once (a headless screen does
// nothing with texts; the reader has checked them as GBK of bounded length).
std::string shapeOf(const gr::form::Window& w)
{
    std::string s;
    auto word = [&s](uint64_t v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); };
    word(w.identity);
    for (const gr::form::Element& e : w.elements) {
        for (uint64_t v : {uint64_t{e.kind}, uint64_t{e.identity}, uint64_t(int64_t{e.left}), uint64_t(int64_t{e.top}),
                           uint64_t(int64_t{e.width}), uint64_t(int64_t{e.height}), uint64_t{e.parent}, uint64_t{e.flags},
                           uint64_t{e.layout_version}, uint64_t{e.has_properties}, uint64_t{e.text_colour},
                           uint64_t{e.back_colour}, uint64_t(int64_t{e.multiline}), uint64_t(int64_t{e.scroll_bars}),
                           uint64_t(int64_t{e.alignment}), uint64_t(int64_t{e.input_mode}), uint64_t(int64_t{e.checked}),
                           uint64_t(int64_t{e.selected_index}), uint64_t{e.items.size()}, uint64_t{e.children.size()},
                           uint64_t{e.events.size()}})
            word(v);
        for (const gr::form::EventBinding& b : e.events) word(uint64_t(int64_t{b.event}) ^ (uint64_t{b.routine} << 32));
    }
    return s;
}

// Where the picture's bytes lie in the image: a flip there changes only the
// logo, which the window system gets as opaque bytes.
std::pair<size_t, size_t> pictureBytes(const std::vector<uint8_t>& bytes, const img::Image& image)
{
    for (const gr::form::Element& e : image.program.form.elements) {
        if (e.kind != gr::form::kPictureBox || e.picture.size() < 64) continue;
        const auto at = std::search(bytes.begin(), bytes.end(), e.picture.begin(), e.picture.end());
        if (at != bytes.end()) {
            const auto begin = static_cast<size_t>(at - bytes.begin());
            return {begin, begin + e.picture.size()};
        }
    }
    return {0, 0};
}

// The form section in slices, one test each, so that each stays short.
constexpr size_t kSlices = 8;

// Under AddressSanitizer a window build costs some thirty times as much:
// there every third byte of the section is flipped (all of its bits; a
// stride prime to the fields' sizes still hits each byte position of a
// field somewhere); the plain build flips every byte.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kByteStride = 3;
#else
constexpr size_t kByteStride = 1;
#endif

class ShippedImageBitFlips : public testing::TestWithParam<size_t> {};

TEST_P(ShippedImageBitFlips, AreRefusedOrLoadAndBuildTheWindow)
{
    const std::vector<uint8_t> pristine(gear_program_image, gear_program_image + gear_program_image_size);
    const img::Result<img::Image> original = img::readImage(pristine);
    ASSERT_TRUE(original.ok()) << original.error().message;
    const img::Section& form = original->sections[img::kForm];
    const auto [picture_begin, picture_end] = pictureBytes(pristine, original.value());
    ASSERT_LT(picture_begin, picture_end) << "the logo is not in the form section";

    const std::string pristine_shape = shapeOf(original->program.form);
    size_t refused = 0, built = 0, picture_only = 0, texts_only = 0;
    std::vector<uint8_t> bytes = pristine;
    const size_t slice = (form.data_size + kSlices - 1) / kSlices;
    const size_t first = form.data_offset + GetParam() * slice;
    const size_t last = std::min(first + slice, size_t{form.data_offset} + form.data_size);
    for (size_t at = first; at < last; at += kByteStride) {
        // The logo's bytes are opaque under their length word: every bit of
        // every 16th of them is enough to show that a flip there still reads.
        if (at >= picture_begin && at < picture_end && (at - picture_begin) % 16 != 0) continue;
        for (int bit = 0; bit < 8; ++bit) {
            const auto mask = static_cast<uint8_t>(1u << bit);
            bytes[at] ^= mask;
            const std::string where = "byte " + std::to_string(at) + " bit " + std::to_string(bit);
            const img::Result<img::Image> read = img::readImage(bytes);
            if (!read) {
                ++refused;
                // The loader gives the damage its documented message.
                if (refused % 97 == 1) {
                    const gr::LoadResult r = gr::loadProgram(bytes, gearcalc::findRoutine, {});
                    EXPECT_FALSE(r.program) << where;
                    EXPECT_EQ(r.error.rfind("程序映像已损坏：", 0), 0u) << where << ": " << r.error;
                }
            } else if (at >= picture_begin && at < picture_end) {
                ++picture_only;
            } else if (shapeOf(read->program.form) == pristine_shape) {
                ++texts_only;
                EXPECT_TRUE(gr::loadProgram(bytes, gearcalc::findRoutine, {}).program) << where;
            } else {
                for (const gr::form::Element& e : read->program.form.elements)
                    ASSERT_TRUE(withinLimits(e)) << where << ": element " << e.identity << " at " << e.left << ","
                                                 << e.top << " size " << e.width << "x" << e.height;
                gr::LoadResult loaded = gr::loadProgram(bytes, gearcalc::findRoutine, {});
                ASSERT_TRUE(loaded.program) << where << ": " << loaded.error;
                gr::HostOptions options;
                options.program_folder = "/nonexistent-catalogue-folder";
                options.library_folder = GEARCALC_DIST_DIR;
                gr::Host host(loaded.program->description, std::make_unique<gr::HeadlessWindowSystem>(), options);
                host.dialogs().forbidRealDialogs(true);
                gr_env* env = host.env();
                const gr_status created = env->services->create_window(env, loaded.program->description.form->identity);
                // A flip may rename what the program looks for; the window is
                // then refused with a status, never built wrong or crashed.
                if (created == GR_OK) {
                    ++built;
                    EXPECT_TRUE(host.windowBuilt()) << where;
                    const gr::Rect r = host.windowSystem().windowRect();
                    EXPECT_LE(r.width, img::kMaxFormExtent) << where;
                    EXPECT_LE(r.height, img::kMaxFormExtent) << where;
                }
            }
            bytes[at] ^= mask;
        }
    }
    // Flips of free values (a coordinate's low bits, a colour, a letter of a
    // caption) still make a window; the rest is damage the verifier sees.
    EXPECT_GT(refused + built + texts_only + picture_only, 0u);
    std::printf("bit flips: %zu refused, %zu windows built, %zu in texts only, %zu in the logo\n", refused, built,
                texts_only, picture_only);
}

INSTANTIATE_TEST_SUITE_P(FormSection, ShippedImageBitFlips, testing::Range(size_t{0}, kSlices));

} // namespace
