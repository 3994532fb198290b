#include <gtest/gtest.h>

#include "macros/MacroRecord.h"
#include "profiles/StoreKeyData.h"
#include "support/FakeMainView.h"
#include "support/StoreFixture.h"

namespace {

using StoreKeyDataTest = StoreTest;

TEST_F(StoreKeyDataTest, TheShownBlockIsTheFirstWhileTheProfileIsUnknown) {
    FakeMainView view;
    profiles::StoreKeyData data(view);
    EXPECT_EQ(data.ShownBlock(), 0u);
    Entry(0, 0x1E) = {.kind = 2, .value = 0x30};
    int runs = 0;
    data.WithShownBlock([&](std::span<keys::KeyEntry> block) {
        ++runs;
        EXPECT_EQ(block.size(), keys::kKeyBlockEntries);
        EXPECT_EQ(block[0x1E].value, 0x30u);
    });
    profiles::ReleaseProfileStore(); // no image: nothing to show
    data.WithShownBlock([&](std::span<keys::KeyEntry>) { ++runs; });
    EXPECT_EQ(runs, 1);
    data.SetApplyPending();
    EXPECT_TRUE(view.applyPending);
}

TEST_F(StoreKeyDataTest, AMacroIsNamedByTheFirstRecordWithItsId) {
    Store().macros.reset(new macros::MacroRecord[3]());
    Store().macroCount = 3;
    const std::pair<uint16_t, std::u16string_view> records[] = {
        {4, u"Four"}, {5, u"Five"}, {5, u"Later five"}};
    for (size_t i = 0; i < 3; ++i) {
        Store().macros[i].id = records[i].first;
        macros::SetName(Store().macros[i], records[i].second);
    }
    FakeMainView view;
    profiles::StoreKeyData data(view);
    EXPECT_EQ(data.MacroName(5), u"Five");
    EXPECT_EQ(data.MacroName(4), u"Four");
    EXPECT_EQ(data.MacroName(6), u"");
}

} // namespace
