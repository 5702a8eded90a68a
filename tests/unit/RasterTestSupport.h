#pragma once
// Shared by the canvas and rasteriser tests: images owned for the length of a
// test, Pattern images written and read as rows of digits, and a fixture that
// checks every test gives back what it allocated.

#include "base/Memory.h"
#include "graphics/Brush.h"
#include "graphics/Image.h"
#include "graphics/Raster.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace vorlan::graphics::test {

using Rows = std::vector<std::string>;

using OwnedImage = Owned<SysImage>;

class LiveCountChecked : public testing::Test {
protected:
    void SetUp() override { start_ = MemLiveCount(); }
    void TearDown() override {
        MemFailAllocationAt(0);
        EXPECT_EQ(MemLiveCount(), start_) << "a test left blocks allocated";
    }

private:
    uint32_t start_ = 0;
};

// A Pattern image of scale `scale` whose cells are the digits of `rows`.
inline SysImage* PatternFrom(const Rows& rows, uint16_t scale = 1) {
    const auto height = static_cast<int32_t>(rows.size());
    const auto width = height ? static_cast<int32_t>(rows[0].size()) : 0;
    SysImage* image = CreateCellImage(width, height, ImageMode::Pattern, scale);
    if (!image) return nullptr;
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) image->PatternRow(r)[c] = static_cast<uint8_t>(rows[r][c] - '0');
    return image;
}

inline Rows PatternRows(const SysImage& image) {
    Rows rows;
    for (int32_t r = 0; r < image.rows; ++r) {
        std::string row;
        for (int32_t c = 0; c < image.columns; ++c) row += static_cast<char>('0' + image.PatternRow(r)[c]);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace vorlan::graphics::test
