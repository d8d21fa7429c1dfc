// The plugin base class's members as the module exports them, and what the module releases first at unload.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "plugin-session.h"
#include "test-platform.h"

namespace {

using BakkesMod::Plugin::BakkesModPlugin;

// Opened as a host's loader opens it, each symbol found by its exported name.
struct Module {
    void* handle = dlopen(spinbeat_test::ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    ~Module() { dlclose(handle); }
    // A member of the base class takes the object as its first argument.
    template <typename Function>
    Function* Member(const std::string& mangled) const {
        return reinterpret_cast<Function*>(
            dlsym(handle, ("_ZN9BakkesMod6Plugin15BakkesModPlugin" + mangled).c_str()));
    }
};

// Room for an object that only the module's members build, change and destroy.
struct Slot {
    alignas(BakkesModPlugin) unsigned char bytes[sizeof(BakkesModPlugin)];
    BakkesModPlugin* operator->() { return std::launder(reinterpret_cast<BakkesModPlugin*>(bytes)); }
};

// Fills both host pointers with ones that note their release under `name`.
void Fill(Slot& slot, std::vector<std::string>& released, const std::string& name) {
    static pluginsdk::host::Host host;
    const auto noted = [&released](std::string what) {
        return [&released, what](auto* wrapper) {
            released.push_back(what);
            delete wrapper;
        };
    };
    slot->cvarManager.reset(new CVarManagerWrapper(host.CVarManagerFor(0)), noted(name + " cvarManager"));
    slot->gameWrapper.reset(new GameWrapper(host.GameFor(0)), noted(name + " gameWrapper"));
}

TEST(BaseClass, EachMemberSharesMovesOrReleasesTheHostPointersAsPromised) {
    const Module module;
    ASSERT_NE(module.Member<void()>("D1Ev"), nullptr);
    const auto construct = module.Member<void(Slot*)>("C1Ev");
    const auto copy = module.Member<void(Slot*, Slot*)>("C1ERKS1_");
    const auto move = module.Member<void(Slot*, Slot*)>("C1EOS1_");
    const auto copyAssign = module.Member<Slot*(Slot*, Slot*)>("aSERKS1_");
    const auto moveAssign = module.Member<Slot*(Slot*, Slot*)>("aSEOS1_");
    const auto destroy = module.Member<void(Slot*)>("D1Ev");
    std::vector<std::string> released;
    Slot a, b, c, d;

    construct(&a);
    EXPECT_FALSE(a->cvarManager || a->gameWrapper);
    Fill(a, released, "a's");
    copy(&b, &a);
    EXPECT_TRUE(b->cvarManager == a->cvarManager && b->gameWrapper == a->gameWrapper);
    move(&c, &b);
    EXPECT_FALSE(b->cvarManager || b->gameWrapper);
    EXPECT_TRUE(c->cvarManager == a->cvarManager && c->gameWrapper == a->gameWrapper);
    EXPECT_EQ(a->cvarManager.use_count(), 2);

    construct(&d);
    Fill(d, released, "d's");
    EXPECT_EQ(copyAssign(&d, &a), &d);
    EXPECT_EQ(released.size(), 2U);
    EXPECT_TRUE(
        std::all_of(released.begin(), released.end(), [](auto& what) { return what.starts_with("d's"); }));
    EXPECT_EQ(d->gameWrapper, a->gameWrapper);
    Fill(b, released, "b's");
    EXPECT_EQ(moveAssign(&b, &c), &b);
    EXPECT_EQ(released.size(), 4U);
    EXPECT_FALSE(c->cvarManager || c->gameWrapper);

    for (Slot* slot : {&a, &c, &d}) {
        destroy(slot);
    }
    EXPECT_EQ(released.size(), 4U) << "b still shares a's";
    destroy(&b);
    EXPECT_EQ(released.back(), "a's cvarManager");
    EXPECT_EQ(released[released.size() - 2], "a's gameWrapper");
}

// The object still in the holder goes with the module, and the log channel, which shares its
// console, must have let go of it by then.
TEST(ModuleUnload, TheLogChannelLetsGoOfTheConsoleBeforeTheHolderDropsThePlugin) {
    std::weak_ptr<CVarManagerWrapper> console;
    long consoleOwnersAsGameWrapperGoes = -1;
    {
        const Module module;
        // The host goes before the module: its copies of the plugin's callbacks hold module code.
        pluginsdk::host::Host host;
        auto& holder = *reinterpret_cast<std::shared_ptr<BakkesModPlugin>*>(
            reinterpret_cast<std::uintptr_t (*)()>(dlsym(module.handle, "getPlugin"))());
        holder->cvarManager = std::make_shared<CVarManagerWrapper>(host.CVarManagerFor(1));
        console = holder->cvarManager;
        holder->gameWrapper.reset(new GameWrapper(host.GameFor(1)), [&](GameWrapper* game) {
            consoleOwnersAsGameWrapperGoes = console.use_count();
            delete game;
        });
        holder->onLoad();
        holder->onUnload();
        ASSERT_EQ(console.use_count(), 2) << "the object and the log channel";
    }
    ASSERT_FALSE(spinbeat_test::IsModuleLoaded(spinbeat_test::ModulePath()));
    EXPECT_EQ(consoleOwnersAsGameWrapperGoes, 1) << "the log channel still had the console";
    EXPECT_TRUE(console.expired());
}

} // namespace
