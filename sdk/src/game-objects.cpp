// The game's objects and where the player is: the stand-in's game has the player's cars and free
// play, and every other object is a null one.
#include "host-state.h"

// ---------------------------------------------------------------------------
// The class chains: everything is read from the game object, whose address a chain carries
// ---------------------------------------------------------------------------

ObjectWrapper::ObjectWrapper(std::uintptr_t mem) : memory_address(mem) {}

// Every class of a chain copies its own pointer after its base's. The host's assignments take their
// argument by value, and a game object holds nothing worth moving.
// NOLINTBEGIN(performance-unnecessary-value-param,bugprone-macro-parentheses)
#define PLUGINSDK_DEFINE_GAME_OBJECT(Class, Base, state)                                                     \
    Class::Class(std::uintptr_t mem) : Base(mem) {}                                                          \
    Class::Class(const Class& other) = default;                                                              \
    Class& Class::operator=(Class other) {                                                                   \
        Base::operator=(other);                                                                              \
        state = other.state;                                                                                 \
        return *this;                                                                                        \
    }                                                                                                        \
    Class::~Class() = default;

PLUGINSDK_DEFINE_GAME_OBJECT(ActorWrapper, ObjectWrapper, actorState_)
PLUGINSDK_DEFINE_GAME_OBJECT(RBActorWrapper, ActorWrapper, rbActorState_)
PLUGINSDK_DEFINE_GAME_OBJECT(VehicleWrapper, RBActorWrapper, vehicleState_)
PLUGINSDK_DEFINE_GAME_OBJECT(CarWrapper, VehicleWrapper, carState_)
PLUGINSDK_DEFINE_GAME_OBJECT(BallWrapper, RBActorWrapper, ballState_)
PLUGINSDK_DEFINE_GAME_OBJECT(CarComponentWrapper, ActorWrapper, componentState_)
PLUGINSDK_DEFINE_GAME_OBJECT(ControllerWrapper, ActorWrapper, controllerState_)
PLUGINSDK_DEFINE_GAME_OBJECT(PlayerControllerWrapper, ControllerWrapper, playerControllerState_)
PLUGINSDK_DEFINE_GAME_OBJECT(PlayerReplicationInfoWrapper, ActorWrapper, replicationState_)
PLUGINSDK_DEFINE_GAME_OBJECT(PriXWrapper, PlayerReplicationInfoWrapper, priXState_)
PLUGINSDK_DEFINE_GAME_OBJECT(PriWrapper, PriXWrapper, priState_)
PLUGINSDK_DEFINE_GAME_OBJECT(GameEventWrapper, ActorWrapper, gameEventState_)
PLUGINSDK_DEFINE_GAME_OBJECT(TeamGameEventWrapper, GameEventWrapper, teamGameEventState_)
PLUGINSDK_DEFINE_GAME_OBJECT(ServerWrapper, TeamGameEventWrapper, serverState_)
// NOLINTEND(performance-unnecessary-value-param,bugprone-macro-parentheses)

bool ActorWrapper::IsNull() { return memory_address == 0; }
bool ActorWrapper::IsNull() const { return memory_address == 0; }
ActorWrapper::operator bool() { return memory_address != 0; }
ActorWrapper::operator bool() const { return memory_address != 0; }

ControllerInput CarWrapper::GetInput() {
    pluginsdk::detail::RequireObject(memory_address, "CarWrapper::GetInput()");
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the handle carries the game object as its address.
    return reinterpret_cast<const pluginsdk::detail::CarState*>(memory_address)->input;
}

// ---------------------------------------------------------------------------
// A plugin's game
// ---------------------------------------------------------------------------

using pluginsdk::detail::PluginLink;

GameWrapper::GameWrapper(const GameWrapper& other) : link_(new PluginLink(*other.link_)) {}

GameWrapper& GameWrapper::operator=(GameWrapper other) {
    std::swap(link_, other.link_);
    return *this;
}

GameWrapper::~GameWrapper() { delete link_; }

bool GameWrapper::IsInFreeplay() {
    // Not a locked increment: the count is for a host's own measures, and on the game thread's every
    // tick that would cost more than the query itself. A query on the drawing thread at the same
    // moment may go uncounted.
    auto& queries = link_->host->freeplayQueries;
    queries.store(queries.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    return link_->host->freeplay.load(std::memory_order_relaxed);
}

bool GameWrapper::IsInGame() { return link_->host->freeplay.load(std::memory_order_relaxed); }

bool GameWrapper::IsInOnlineGame() { return false; }

bool GameWrapper::IsInReplay() { return false; }

bool GameWrapper::IsInCustomTraining() { return false; }

// The player's car is the host's first, in a game; in the menus there is none.
CarWrapper GameWrapper::GetLocalCar() {
    const pluginsdk::detail::HostState& host = *link_->host;
    if (!host.freeplay.load(std::memory_order_relaxed) || host.cars.empty()) {
        return CarWrapper(0);
    }
    return pluginsdk::detail::Handles::Car(*host.cars.front());
}

std::filesystem::path GameWrapper::GetBakkesModPath() {
    const std::filesystem::path data = GetDataFolder();
    return data.has_filename() ? data.parent_path() : data.parent_path().parent_path();
}

std::wstring GameWrapper::GetBakkesModPathW() { return GetBakkesModPath().wstring(); }

std::filesystem::path GameWrapper::GetDataFolder() {
    std::lock_guard lock(link_->host->mutex);
    return link_->host->dataFolder;
}

std::wstring GameWrapper::GetDataFolderW() { return GetDataFolder().wstring(); }

// ---------------------------------------------------------------------------
// The host's side of the game
// ---------------------------------------------------------------------------

namespace pluginsdk::host {

void Host::SetFreeplay(bool inFreeplay) { state_->freeplay.store(inFreeplay, std::memory_order_relaxed); }

bool Host::IsInFreeplay() const { return state_->freeplay.load(std::memory_order_relaxed); }

std::uint64_t Host::FreeplayQueries() const {
    return state_->freeplayQueries.load(std::memory_order_relaxed);
}

std::size_t Host::AddCar() {
    state_->cars.push_back(std::make_unique<detail::CarState>());
    state_->arena.AddCar(*state_->cars.back());
    return state_->cars.size() - 1;
}

void Host::SetInput(std::size_t car, const ControllerInput& input) { state_->cars.at(car)->input = input; }

void Host::SetRoll(std::size_t car, float roll) { state_->cars.at(car)->input.Roll = roll; }

ControllerInput Host::GetInput(std::size_t car) const { return state_->cars.at(car)->input; }

void Host::SetDataFolder(const std::filesystem::path& folder) {
    std::lock_guard lock(state_->mutex);
    state_->dataFolder = folder;
}

std::filesystem::path Host::DataFolder() const {
    std::lock_guard lock(state_->mutex);
    return state_->dataFolder;
}

} // namespace pluginsdk::host
