// A value in a block of its own goes with its holder: first what the value
// holds, by its type's release, then the block, once on every path.

#include "value/HeldValue.h"

#include "value/Text.h"
#include "value/Types.h"
#include "value/Value.h"

#include <gtest/gtest.h>

#include <utility>

namespace vorlan::runtime {
namespace {

using compiler::TypeDescriptor;
using compiler::TypeKind;

constexpr uint32_t kTagTestCell = 904;

// A text cell holding `chars`, in a block of its own: two blocks in all.
void* TextCell(const char16_t* chars) {
    void* cell = MemAllocate(8, kTagTestCell);
    void* block = nullptr;
    EXPECT_EQ(MakeTextFromString(chars, &block), Status::Success);
    StoreHandle(cell, block);
    return cell;
}

int releases = 0;

Status ReleaseCountedText(const TypeDescriptor&, void* cell) {
    ++releases;
    ReplaceText(cell, nullptr);
    return Status::Success;
}

TEST(HeldValue, ReleasesTheValueAndItsCellOnEveryPath) {
    TypeDescriptor* text = compiler::MakeType(TypeKind::Base, compiler::kValueClassText, 8);
    TypeDescriptor* number = compiler::MakeType(TypeKind::Base, compiler::kValueClassNumber, 4);
    ASSERT_TRUE(text && number);
    text->ops.release = &ReleaseCountedText;
    const uint32_t start = MemLiveCount();
    {
        HeldValue kept(text, TextCell(u"kept"));
        HeldValue replaced(text, TextCell(u"replaced"));
        replaced = HeldValue(text, TextCell(u"instead"));
        HeldValue moved(std::move(kept));
        EXPECT_FALSE(kept);
        EXPECT_EQ(MemLiveCount(), start + 4);

        HeldValue handedOn(text, TextCell(u"handed on"));
        void* cell = handedOn.Take();
        EXPECT_FALSE(handedOn);
        EXPECT_EQ(MemLiveCount(), start + 6);
        DiscardValue(text, cell);
        DiscardValue(text, nullptr);  // nothing to let go
        EXPECT_EQ(MemLiveCount(), start + 4);
    }
    EXPECT_EQ(MemLiveCount(), start);
    EXPECT_EQ(releases, 4);  // once for each text made

    // A type without a release (or none at all) leaves only the cell to go.
    DiscardValue(number, MemAllocate(4, kTagTestCell));
    DiscardValue(nullptr, MemAllocate(4, kTagTestCell));
    EXPECT_EQ(MemLiveCount(), start);
    compiler::FreeType(text);
    compiler::FreeType(number);
}

}  // namespace
}  // namespace vorlan::runtime
