// The free-play arena as the game has it, and the reading and writing of its records' values.
#include "arena.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "../host-state.h"

namespace pluginsdk::detail {

namespace {

// Every record any host's arena has, by address: what tells a game object from any other address a
// plugin hands a member. One lock for all of them, taken by members that plugins call off the tick.
struct Registry {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, Record*> records;
};

Registry& Records() {
    static Registry registry;
    return registry;
}

std::uintptr_t AddressOf(const void* self) {
    std::uintptr_t address = 0;
    std::memcpy(&address, self, sizeof address);
    return address;
}

// The record a member runs on; the lock must be held.
Record& RecordAt(std::uintptr_t address, std::string_view member) {
    RequireObject(address, member);
    const auto found = Records().records.find(address);
    if (found == Records().records.end()) {
        StopCallingPluginFor("called " + std::string(member) +
                             " on an address that is no object of the game's, where the game would crash");
    }
    return *found->second;
}

// The arena's starting values, in one place: a line a value or a link between objects.
template <typename T>
void Set(Record& record, std::string_view name, const T& value) {
    static_assert(sizeof(T) <= sizeof(Property::bytes));
    std::memcpy(record.properties[std::string(name)].bytes.data(), &value, sizeof value);
}

void Link(Record& record, std::string_view name, const Record& to) { Set(record, name, Arena::Address(to)); }

void SetText(Record& record, std::string_view name, std::string text) {
    auto& property = record.properties[std::string(name)];
    property.wide.assign(text.begin(), text.end());
    property.text = std::move(text);
}

constexpr float kBallRadius = 92.75F;
// The game's rotations: 65,536 to a turn, so a quarter turn faces the car along +y.
constexpr int kQuarterTurn = 16384;

} // namespace

Arena::Arena() {
    Set(ball_, "Location", Vector{0.0F, 0.0F, kBallRadius});
    Set(ball_, "Radius", kBallRadius);
    Set(ball_, "TeamNum2", static_cast<unsigned char>(255));
    for (int team = 0; team < 2; ++team) {
        const float side = team == 0 ? -1.0F : 1.0F;
        Set(goals_[team], "Location", Vector{0.0F, side * 5120.0F, 321.4F});
        Set(goals_[team], "TeamNum", static_cast<unsigned char>(team));
        Set(goals_[team], "TeamNum2", static_cast<unsigned char>(team));
        Set(teams_[team], "TeamIndex", team);
        Set(teams_[team], "TeamNum", team);
        Set(teams_[team], "TeamNum2", static_cast<unsigned char>(team));
        SetText(teamNames_[team], "", team == 0 ? "Blue" : "Orange");
        Link(teams_[team], "TeamName", teamNames_[team]);
        goalList_.elements.push_back(Address(goals_[team]));
        teamList_.elements.push_back(Address(teams_[team]));
    }
    SetText(playerName_, "", "Player");
    Link(pri_, "PlayerName", playerName_);
    Link(pri_, "Team", teams_[0]);
    Set(pri_, "TeamNum", static_cast<unsigned char>(0));
    Set(pri_, "TeamNum2", static_cast<unsigned char>(0));
    Set(pri_, "PlayerID", 1);
    SetText(pri_, "PlayerNameString", "Player");
    pris_.elements.push_back(Address(pri_));
    Set(boost_, "CurrentBoostAmount", 0.33F);
    Set(boost_, "MaxBoostAmount", 1.0F);
    Link(controller_, "PRI", pri_);
    Chase(Vector{0.0F, -4608.0F, 17.0F});
    Set(camera_, "FOV", 90.0F);
    Link(server_, "Ball", ball_);
    balls_.elements.push_back(Address(ball_));
    Link(server_, "GameBalls", balls_);
    players_.elements.push_back(Address(controller_));
    Link(server_, "Players", players_);
    Link(server_, "LocalPlayers", players_);
    Link(server_, "Cars", cars_);
    Link(server_, "PRIs", pris_);
    Link(server_, "Goals", goalList_);
    Link(server_, "Teams", teamList_);
    Link(server_, "Playlist", playlist_);
    Link(server_, "LocalPrimaryPlayer", controller_);
    Set(server_, "bUnlimitedTime", true);
    Set(server_, "MaxTeamSize", 1);
    Set(server_, "NumBots", 0);
    for (Record* record :
         {&server_, &ball_,     &pri_,      &playerName_, &camera_,   &controller_,   &playlist_,
          &boost_,  &goals_[0], &goals_[1], &teams_[0],   &teams_[1], &teamNames_[0], &teamNames_[1],
          &cars_,   &pris_,     &goalList_, &teamList_,   &balls_,    &players_}) {
        Adopt(Address(*record), *record);
    }
}

Arena::~Arena() {
    std::lock_guard lock(Records().mutex);
    for (const std::uintptr_t address : adopted_) {
        Records().records.erase(address);
    }
}

void Arena::Adopt(std::uintptr_t address, Record& record) {
    std::lock_guard lock(Records().mutex);
    Records().records[address] = &record;
    adopted_.push_back(address);
}

void Arena::AddCar(CarState& car) {
    const auto address = reinterpret_cast<std::uintptr_t>(&car);
    {
        std::lock_guard lock(Records().mutex);
        Record& record = car.record;
        Set(record, "Location", Vector{0.0F, -4608.0F, 17.0F});
        Set(record, "Rotation", Rotator{0, kQuarterTurn, 0});
        Set(record, "TeamNum2", static_cast<unsigned char>(0));
        SetText(record, "OwnerName", "Player");
        Link(record, "PRI", pri_);
        Link(record, "BoostComponent", boost_);
        cars_.elements.push_back(address);
        if (localCar_ == 0) {
            localCar_ = address;
            Set(pri_, "Car", address);
            Set(controller_, "Car", address);
            Set(boost_, "Car", address);
            Set(server_, "GameCar", address);
        }
    }
    Adopt(address, car.record);
}

void Arena::Chase(Vector car) {
    // The game's chase camera: behind the car and above it, looking along +y and a little down.
    Set(camera_, "Location", Vector{car.X, car.Y - 280.0F, car.Z + 110.0F});
    Set(camera_, "Rotation", Rotator{-1820, kQuarterTurn, 0});
}

void Arena::PlaceBall(Vector location) {
    std::lock_guard lock(Records().mutex);
    Set(ball_, "Location", location);
}

void Arena::PlaceCar(Vector location) {
    std::lock_guard lock(Records().mutex);
    const auto found = Records().records.find(localCar_);
    if (found != Records().records.end()) {
        Set(*found->second, "Location", location);
    }
    Chase(location);
}

std::optional<Vector2F> Arena::Project(Vector location, Vector2 size) const {
    Vector camera;
    Rotator rotation;
    float fov = 0.0F;
    {
        std::lock_guard lock(Records().mutex);
        const auto& values = camera_.properties;
        std::memcpy(&camera, values.at("Location").bytes.data(), sizeof camera);
        std::memcpy(&rotation, values.at("Rotation").bytes.data(), sizeof rotation);
        std::memcpy(&fov, values.at("FOV").bytes.data(), sizeof fov);
    }
    return ProjectThrough(camera, rotation, fov, location, size);
}

Vector Arena::BallLocation() const {
    std::lock_guard lock(Records().mutex);
    Vector location;
    std::memcpy(&location, ball_.properties.at("Location").bytes.data(), sizeof location);
    return location;
}

std::uintptr_t Arena::CallerFor(std::string_view eventName, bool freeplay) const {
    if (!freeplay) {
        return 0;
    }
    const auto has = [&](std::string_view part) { return eventName.find(part) != std::string_view::npos; };
    // A car component's functions run on the component, which the arena has none of but the boost.
    if (has("CarComponent_Boost_TA")) {
        return Address(boost_);
    }
    if (has("CarComponent_")) {
        return 0;
    }
    if (has("Car_TA")) {
        return localCar_;
    }
    if (has("Ball_TA")) {
        return Ball();
    }
    if (has("GameEvent_")) {
        return Server();
    }
    if (has("PRI_TA")) {
        return Address(pri_);
    }
    if (has("PlayerController_TA")) {
        return Address(controller_);
    }
    return 0;
}

std::uintptr_t HostState::CallerFor(std::string_view eventName) {
    return arena.CallerFor(eventName, freeplay.load(std::memory_order_relaxed));
}

// ---------------------------------------------------------------------------
// The members
// ---------------------------------------------------------------------------

void ReadProperty(const void* self, std::string_view member, std::string_view name, void* out,
                  std::size_t size) {
    std::lock_guard lock(Records().mutex);
    const Record& record = RecordAt(AddressOf(self), member);
    const auto found = record.properties.find(name);
    if (found == record.properties.end()) {
        std::memset(out, 0, size);
    } else {
        std::memcpy(out, found->second.bytes.data(), size);
    }
}

void WriteProperty(const void* self, std::string_view member, std::string_view name, const void* in,
                   std::size_t size) {
    std::lock_guard lock(Records().mutex);
    Record& record = RecordAt(AddressOf(self), member);
    Property& property = record.properties[std::string(name)];
    property.bytes.fill(0);
    std::memcpy(property.bytes.data(), in, size);
}

std::string ReadText(const void* self, std::string_view member, std::string_view name) {
    std::lock_guard lock(Records().mutex);
    const Record& record = RecordAt(AddressOf(self), member);
    const auto found = record.properties.find(name);
    return found == record.properties.end() ? std::string() : found->second.text;
}

void WriteText(const void* self, std::string_view member, std::string_view name, std::string text) {
    std::lock_guard lock(Records().mutex);
    SetText(RecordAt(AddressOf(self), member), name, std::move(text));
}

std::wstring ReadWideText(const void* self, std::string_view member, std::string_view name) {
    std::lock_guard lock(Records().mutex);
    const Record& record = RecordAt(AddressOf(self), member);
    const auto found = record.properties.find(name);
    return found == record.properties.end() ? std::wstring() : found->second.wide;
}

void WriteWideText(const void* self, std::string_view member, std::string_view name, std::wstring text) {
    std::lock_guard lock(Records().mutex);
    Property& property = RecordAt(AddressOf(self), member).properties[std::string(name)];
    // The narrow form of a wide text keeps what fits in a byte, as a console shows it.
    property.text.clear();
    for (const wchar_t c : text) {
        property.text.push_back(c < 128 ? static_cast<char>(c) : '?');
    }
    property.wide = std::move(text);
}

int ArrayCount(const void* self, std::string_view member) {
    const std::uintptr_t address = AddressOf(self);
    if (address == 0) {
        return 0;
    }
    std::lock_guard lock(Records().mutex);
    return static_cast<int>(RecordAt(address, member).elements.size());
}

std::uintptr_t ArrayElement(const void* self, std::string_view member, int index) {
    const std::uintptr_t address = AddressOf(self);
    if (address == 0) {
        return 0;
    }
    std::lock_guard lock(Records().mutex);
    const auto& elements = RecordAt(address, member).elements;
    // Past the end the game hands a null object.
    return index >= 0 && static_cast<std::size_t>(index) < elements.size() ? elements[index] : 0;
}

std::string StringText(const void* self, std::string_view member) {
    return AddressOf(self) == 0 ? std::string() : ReadText(self, member, "");
}

std::wstring StringWideText(const void* self, std::string_view member) {
    return AddressOf(self) == 0 ? std::wstring() : ReadWideText(self, member, "");
}

std::uintptr_t Arena::Service(std::string_view name) {
    std::lock_guard lock(Records().mutex);
    const auto found = services_.find(name);
    if (found != services_.end()) {
        return Address(found->second);
    }
    Record& record = services_[std::string(name)];
    if (name == "PlayerName") {
        SetText(record, "", "Player");
    } else if (name == "UILanguage") {
        SetText(record, "", "INT");
    }
    const std::uintptr_t address = Address(record);
    Records().records[address] = &record;
    adopted_.push_back(address);
    return address;
}

std::uintptr_t GameObject(const void* self, std::string_view name) {
    // A GameWrapper is its one pointer to the plugin's link to the host.
    const PluginLink* link = *static_cast<const PluginLink* const*>(self);
    HostState& host = *link->host;
    const bool freeplay = host.freeplay.load(std::memory_order_relaxed);
    Arena& arena = host.arena;
    if (name == "CurrentGameState" || name == "GameEventAsServer") {
        return freeplay ? arena.Server() : 0;
    }
    if (name == "LocalCar") {
        return freeplay ? arena.LocalCar() : 0;
    }
    if (name == "PlayerController") {
        return freeplay ? arena.PlayerController() : 0;
    }
    if (name == "Camera") {
        return freeplay ? arena.Camera() : 0;
    }
    // Free play is neither online nor a replay, and the player is in no club.
    if (name == "OnlineGame" || name == "GameEventAsReplay" || name == "LocalClub") {
        return 0;
    }
    return arena.Service(name);
}

} // namespace pluginsdk::detail
