// SPDX-License-Identifier: GPL-3.0-or-later
// The files of scripts/make-damaged-fixtures.sh, named after their faults:
// damaged or hostile ones are refused with the decoder's reason, and files
// that are only odd load as the picture they hold.
#include <string>

#include <gtest/gtest.h>

#include "picture/owned_dib.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using namespace fixtures;

Bytes Damaged(const std::string& name) {
    return FixtureFile("damaged", name);
}

struct Refusal {
    const char* file;
    const char* reason;  // a part of the message
};

void PrintTo(const Refusal& c, std::ostream* out) {
    *out << c.file;
}

class RefusedFiles : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedFiles, NameTheirFault) {
    const std::string error = LoadError(Damaged(GetParam().file));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, RefusedFiles,
    ::testing::Values(
        // Until every strip was checked, only a band's first strip could fail.
        Refusal{"tiff_deflate_strip_cut_short.tif", "cannot be read: ZIPDecode"},
        Refusal{"tiff_deflate_strip_reserved_block_type.tif", "cannot be read: ZIPDecode"},
        Refusal{"tiff_last_strip_half_its_byte_count.tif",
                "Read error on strip 99; got 16 bytes, expected 32."},
        Refusal{"tiff_byte_count_that_lies.tif",
                "damaged: TIFFReadDirectory: Bogus \"StripByteCounts\" field"},
        Refusal{"jpeg_cut_then_ended.jpg",
                "The JPEG file is damaged: Corrupt JPEG data: premature end of data segment."},
        Refusal{"jpeg_stray_restart_marker.jpg", "premature end of data segment"},
        Refusal{"jpeg_restart_marker_out_of_turn.jpg", "found marker 0xd5 instead of RST3"},
        Refusal{"png_1bit_index_past_the_palette.png",
                "Palette index 1 is past the colour table of 1 entry."},
        Refusal{"png_8bit_index_past_the_palette.png",
                "Palette index 200 is past the colour table of 16 entries."},
        Refusal{"iff_ehb_index_past_a_short_colour_map.iff",
                "Palette index 20 has no colour: the colour map has 16 entries"}),
    [](const auto& info) {
        const std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

INSTANTIATE_TEST_SUITE_P(
    Hostile, RefusedFiles,
    ::testing::Values(
        Refusal{"tiff_tiles_far_wider_than_the_picture.tif",
                "would take far more decoding than a picture of 16 × 16 pixels needs: its tiles "
                "are 1048576 pixels wide."},
        // Little to decode, but a row of RGBA of 256 MB.
        Refusal{"tiff_one_bit_tiles_far_wider_than_the_picture.tif",
                "a picture of 1 × 1 pixels needs: its tiles are 67108864 pixels wide."},
        // jbigkit would have ended the program, failing to allocate.
        Refusal{"tiff_jbig_header_declaring_a_huge_picture.tif",
                "The TIFF file is damaged: its strip 0 declares a JBIG picture of 4294967280 × "
                "4294967280 pixels in 1 plane; the picture is 8 × 8."},
        // libtiff would have copied the block for each of 300 tags.
        Refusal{"tiff_tags_pointing_at_one_block.tif",
                "The TIFF file is damaged: its tags point at more data than the file holds."},
        // The second refinement of the same bit is refused as damage before
        // the work is counted; repeated first scans are whole, but costly.
        Refusal{"jpeg_refinement_scans_of_eob_runs.jpg", "Inconsistent progression sequence"},
        Refusal{"jpeg_repeated_ac_scans_of_eob_runs.jpg",
                "The JPEG file's scans would take more than 10 times the work of decoding its "
                "picture"}),
    [](const auto& info) {
        const std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

struct Whole {
    const char* file;
    // A PPM of the picture, or a file that holds the same picture whole.
    const char* picture;
};

void PrintTo(const Whole& c, std::ostream* out) {
    *out << c.file;
}

class WholeFiles : public ::testing::TestWithParam<Whole> {};

TEST_P(WholeFiles, LoadAsThePictureTheyHold) {
    const OwnedDib loaded = Load(Damaged(GetParam().file));
    ASSERT_NE(loaded->bits, nullptr) << loaded->errorText;
    const std::string picture = GetParam().picture;
    if (picture.ends_with(".ppm")) {
        ExpectPicture(*loaded, ReadPpm(std::string(GRIMORA_FIXTURES) + "/damaged/" + picture));
        return;
    }
    const OwnedDib whole = Load(Damaged(picture));
    ASSERT_NE(whole->bits, nullptr) << whole->errorText;
    ASSERT_EQ(loaded->info->bmiHeader.biWidth, whole->info->bmiHeader.biWidth);
    ASSERT_EQ(loaded->info->bmiHeader.biHeight, whole->info->bmiHeader.biHeight);
    for (int y = 0; y < whole->info->bmiHeader.biHeight; ++y) {
        for (int x = 0; x < whole->info->bmiHeader.biWidth; ++x) {
            ASSERT_EQ(Colour(*loaded, x, y), Colour(*whole, x, y)) << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Odd, WholeFiles,
    ::testing::Values(
        // Warnings that leave the pixels as they are.
        Whole{"tiff_unknown_tag.tif", "tiff_intact.ppm"},
        Whole{"jpeg_bytes_after_the_end.jpg", "jpeg_intact.jpg"},
        Whole{"jpeg_progressive_padded_before_the_end.jpg", "jpeg_intact_progressive.jpg"},
        Whole{"jpeg_unknown_jfif_version.jpg", "jpeg_blocks.ppm"},
        // The parent of the file whose restart marker is out of turn.
        Whole{"jpeg_intact_restarts.jpg", "jpeg_blocks.ppm"},
        // Each tile decoded once, down to the picture's last row only.
        Whole{"tiff_tall_narrow_tiles_sharing_one_stream.tif",
              "tiff_tall_narrow_tiles_sharing_one_stream.ppm"},
        // Indices 0-15 and 32-47 of a half-brite picture with 16 colours.
        Whole{"iff_ehb_short_colour_map.iff", "iff_ehb_short_colour_map.ppm"},
        // Composed over white, which the full table had no room for.
        Whole{"gif_transparent_index_past_a_full_table.gif",
              "gif_transparent_index_past_a_full_table.ppm"},
        // The background index names a colour of the global table, not of
        // the frame's own.
        Whole{"gif_background_from_the_global_table.gif",
              "gif_background_from_the_global_table.ppm"},
        Whole{"tga_grey_16bit_without_alpha.tga", "tga_grey_16bit_without_alpha.ppm"}),
    [](const auto& info) {
        const std::string name = info.param.file;
        return name.substr(0, name.find('.'));
    });

}  // namespace
}  // namespace grimora
