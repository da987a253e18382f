#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win/ref_counted.h"

namespace {

struct ICounted {
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;
    virtual int Value() = 0;

protected:
    virtual ~ICounted() = default;
};

// Records its destruction in a log the test owns.
class Plain final : public RefCounted<ICounted> {
public:
    explicit Plain(std::string& log) : log_(log) {}
    int Value() override { return 7; }

private:
    ~Plain() override { log_ += "destroyed;"; }
    std::string& log_;
};

// Does something before and after deleting itself, as a resource that lets go of its owner does.
class Hooked final : public RefCounted<ICounted> {
public:
    Hooked(std::string& log, ICounted* owner) : log_(log), owner_(owner) { owner_->AddRef(); }
    int Value() override { return 8; }

private:
    ~Hooked() override { log_ += "hooked destroyed;"; }
    void LastRelease() override
    {
        std::string& log = log_;
        ICounted* owner = owner_;
        log += "unhooked;";
        delete this;
        log += "owner left " + std::to_string(owner->Release()) + ";";
    }
    std::string& log_;
    ICounted* owner_;
};

TEST(RefCounted, CountsReturnedAndDestroyedOnceAtZero)
{
    std::string log;
    ICounted* object = new Plain(log);
    EXPECT_EQ(object->AddRef(), 2u) << "a new object holds one reference";
    EXPECT_EQ(object->AddRef(), 3u);
    EXPECT_EQ(object->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(log, "") << "destroyed while references remain";
    EXPECT_EQ(object->Value(), 7);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(log, "destroyed;");
}

TEST(RefCounted, LastReleaseHookRunsOnceAndMayReleaseItsOwner)
{
    std::string log;
    ICounted* owner = new Plain(log);
    ICounted* child = new Hooked(log, owner);
    EXPECT_EQ(owner->Release(), 1u) << "the child keeps its owner alive";
    EXPECT_EQ(child->AddRef(), 2u);
    EXPECT_EQ(child->Release(), 1u);
    EXPECT_EQ(log, "");
    EXPECT_EQ(child->Release(), 0u);
    EXPECT_EQ(log, "unhooked;hooked destroyed;destroyed;owner left 0;");
}

}  // namespace
