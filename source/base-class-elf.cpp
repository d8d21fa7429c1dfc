// The base class's members in an ELF module. A Windows module defines and exports them because the
// class is marked for export as a whole; an ELF module has them only where they are used and not
// inlined. This file uses each one and is built unoptimised, so that the module holds them all; its
// export list lets them out.
#include <utility>

#include "host-sdk.h"

namespace {

using Base = BakkesMod::Plugin::BakkesModPlugin;

// Through a constructor of its own: a whole object of the base class is built in place, without
// calling the base class's.
struct Made final : Base {
    Made();
};

Made::Made() = default;

} // namespace

// Never called.
void DefineBaseClassMembers();

void DefineBaseClassMembers() {
    Made made;
    Base copied(made);
    Base moved(std::move(copied));
    static_cast<Base&>(made) = moved;
    moved = std::move(static_cast<Base&>(made));
}
