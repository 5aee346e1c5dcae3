#include "discovery/own_address.h"

#include <algorithm>
#include <mutex>

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

#include "discovery/heartbeat.h"
#include "discovery/station_record.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "settings/registry.h"
#include "settings/settings.h"
#include "settings/settings_keys.h"

namespace {

const uint32_t kLoopback = Ipv4FromText("127.0.0.1");

bool IsLoopback(uint32_t address) {
    return (address & 0xFF) == 127;
}

std::vector<uint32_t> InterfaceAddresses(bool& listed) {
    std::vector<InterfaceAddress> found;
    ifaddrs* list = nullptr;
    listed = ::getifaddrs(&list) == 0;
    if (!listed)
        return {};
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET)
            continue;
        if ((it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        const uint32_t address = AddressOf(*reinterpret_cast<const sockaddr_in*>(it->ifa_addr));
        if (!IsLoopback(address))
            found.push_back({it->ifa_name != nullptr ? it->ifa_name : "", address});
    }
    ::freeifaddrs(list);
    return OrderInterfaceAddresses(found);
}

std::vector<uint32_t> ResolverAddresses(const std::string& name) {
    std::vector<uint32_t> addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0)
        return addresses;
    for (const addrinfo* it = found; it != nullptr; it = it->ai_next) {
        const uint32_t address = AddressOf(*reinterpret_cast<const sockaddr_in*>(it->ai_addr));
        const bool known =
            std::find(addresses.begin(), addresses.end(), address) != addresses.end();
        if (!IsLoopback(address) && !known)
            addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    return addresses;
}

HostLookup SystemLookup() {
    HostLookup host;
    char name[256] = {};
    host.nameFound = ::gethostname(name, sizeof name - 1) == 0;
    if (!host.nameFound)
        return host;
    host.name = name;
    bool listed = false;
    host.addresses = InterfaceAddresses(listed);
    if (!listed)
        host.addresses = ResolverAddresses(host.name);
    return host;
}

std::mutex g_lookupMutex;
std::function<HostLookup()> g_lookup;

}  // namespace

bool IsVirtualBridge(const std::string& interfaceName) {
    static const char* const kPrefixes[] = {"docker", "br-",   "virbr",  "veth",
                                            "lxcbr",  "lxdbr", "podman", "cni"};
    for (const char* prefix : kPrefixes) {
        if (interfaceName.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

std::vector<uint32_t> OrderInterfaceAddresses(const std::vector<InterfaceAddress>& found) {
    std::vector<uint32_t> addresses;
    addresses.reserve(found.size());
    for (const bool bridges : {false, true}) {
        for (const InterfaceAddress& it : found) {
            if (IsVirtualBridge(it.interfaceName) == bridges)
                addresses.push_back(it.address);
        }
    }
    return addresses;
}

HostLookup LookUpHost() {
    std::function<HostLookup()> lookup;
    {
        std::lock_guard lock(g_lookupMutex);
        lookup = g_lookup;
    }
    return lookup ? lookup() : SystemLookup();
}

void SetHostLookup(std::function<HostLookup()> lookup) {
    std::lock_guard lock(g_lookupMutex);
    g_lookup = std::move(lookup);
}

bool IsTemporaryAddress(uint32_t address) {
    std::string name;
    for (int index = 0; RegEnumValue(HKEY_LOCAL_MACHINE, kTempIpsKey, index, name) == 0; ++index) {
        const uint32_t listed = Ipv4FromText(name);
        if (listed != kNoAddress && listed == address)
            return true;
    }
    return false;
}

uint32_t ChooseOwnAddress(uint32_t preferred, const std::vector<uint32_t>& hostAddresses) {
    if (preferred != 0 && preferred == kLoopback)
        return kLoopback;
    if (preferred != 0) {
        const auto it = std::find(hostAddresses.begin(), hostAddresses.end(), preferred);
        if (it != hostAddresses.end())
            return *it;
    }
    // A host without a network still reaches the desks on its own loopback.
    return hostAddresses.empty() ? kLoopback : hostAddresses.front();
}

int ResolveOwnAddress() {
    const uint32_t preferred = ReadPreferredAddress().value_or(0);
    const HostLookup host = LookUpHost();
    if (!host.nameFound) {
        ShowMessageBox("No own IP-Address!\nKel Remote Control initialize failed.", "Kel Remote",
                       MB_OK);
        return 0;
    }
    FillOwnStation(ChooseOwnAddress(preferred, host.addresses), host.name);
    return 1;
}

OwnAddressChoices ListOwnAddressChoices() {
    OwnAddressChoices choices;
    const HostLookup host = LookUpHost();
    if (!host.nameFound)
        return choices;
    choices.available = true;
    const uint32_t stored = ReadPreferredAddress().value_or(0);
    for (uint32_t address : host.addresses) {
        if (IsTemporaryAddress(address))
            continue;
        if (address == stored)
            choices.selected = static_cast<int>(choices.addresses.size());
        choices.addresses.push_back(address);
    }
    if (stored == kLoopback)
        choices.selected = static_cast<int>(choices.addresses.size());
    choices.addresses.push_back(kLoopback);
    if (choices.selected < 0)
        choices.selected = 0;
    return choices;
}

void ChangeOwnAddress(uint32_t address, const OwnAddressChangeHooks& hooks) {
    StopHeartbeats();
    if (hooks.stopChat)
        hooks.stopChat();
    WritePreferredAddress(address);
    SetStationAddress(OwnStation, address);
    if (hooks.clearDeskList)
        hooks.clearDeskList();
    StartHeartbeats();
    if (hooks.startChat)
        hooks.startChat();
}
