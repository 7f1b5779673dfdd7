// Finding a control of the window model by its identity.
#include <gearhost/model.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using gr::FormModel;

gr::form::Window windowOf(const std::vector<uint32_t>& identities)
{
    gr::form::Window window;
    window.identity = 0x52010001;
    for (std::size_t i = 0; i < identities.size(); ++i) {
        gr::form::Element e;
        e.identity = identities[i];
        char name[24];
        std::snprintf(name, sizeof name, "c%zu", i); // tells equal identities apart
        e.name = name;
        window.elements.push_back(e);
    }
    return window;
}

// Every size from empty to larger than any form, identities drawn from a
// small range so that some repeat and some are missing: each is found as
// the first control of that identity in form order, or not at all.
TEST(FormModelFind, FindsTheFirstControlOfAnIdentityInFormsOfEverySize)
{
    std::mt19937 rng(77);
    for (std::size_t size = 0; size <= 70; ++size) {
        std::uniform_int_distribution<uint32_t> identity(0x16010000, 0x16010000 + static_cast<uint32_t>(size) * 2);
        std::vector<uint32_t> identities(size);
        for (uint32_t& id : identities) id = identity(rng);
        const gr::form::Window window = windowOf(identities);
        FormModel model(window);
        for (uint32_t id = 0x1600FFFE; id <= 0x16010002 + size * 2; ++id) {
            const auto first = std::find(identities.begin(), identities.end(), id);
            const gr::ControlState* found = model.find(id);
            if (first == identities.end()) {
                EXPECT_EQ(found, nullptr) << "size " << size << ", identity " << id;
            } else {
                ASSERT_NE(found, nullptr) << "size " << size << ", identity " << id;
                char name[24];
                std::snprintf(name, sizeof name, "c%td", first - identities.begin());
                EXPECT_EQ(found->element->name, name);
            }
        }
    }
}

TEST(FormModelFind, ExtremeIdentities)
{
    const gr::form::Window window = windowOf({0xFFFFFFFF, 0, 0x06010000});
    FormModel model(window);
    ASSERT_NE(model.find(0xFFFFFFFF), nullptr);
    EXPECT_EQ(model.find(0xFFFFFFFF)->element->name, "c0");
    ASSERT_NE(model.find(0), nullptr);
    EXPECT_EQ(model.find(0)->element->name, "c1");
    EXPECT_EQ(model.find(1), nullptr);
    EXPECT_EQ(model.find(0xFFFFFFFE), nullptr);
}

// The index is made once; controls added or renumbered through controls()
// afterwards are still found, and an old identity no longer is.
TEST(FormModelFind, ControlsChangedAfterConstruction)
{
    const gr::form::Window window = windowOf({0x16010001, 0x16010002, 0x16010003});
    FormModel model(window);
    gr::ControlState added;
    added.identity = 0x16010009;
    model.controls().push_back(added);
    model.controls()[1].identity = 0x16010007;
    ASSERT_NE(model.find(0x16010009), nullptr);
    EXPECT_EQ(model.find(0x16010009)->identity, 0x16010009u);
    ASSERT_NE(model.find(0x16010007), nullptr);
    EXPECT_EQ(model.find(0x16010007)->element->name, "c1");
    EXPECT_EQ(model.find(0x16010002), nullptr);
    EXPECT_EQ(model.find(0x16010003)->element->name, "c2");
}

} // namespace
