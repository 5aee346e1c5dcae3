#pragma once
// This station's own IPv4 address: the host's addresses, the temporary ones
// that must not be offered, the choice at start-up and the change at run
// time. Addresses are network-order bytes read little-endian.
//
// Threading: GUI thread. OwnStation is changed only while the heartbeat and
// chat threads are stopped.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct HostLookup {
    bool nameFound = false;           // false when the host name is unknown
    std::string name;                 // host name
    std::vector<uint32_t> addresses;  // in the order the host lists them
};

// The host's name and IPv4 addresses: the interfaces that are up, loopback
// excluded, in interface order with container and virtual-machine bridges
// last (the resolver's answer for the host name when the interfaces cannot
// be listed).
HostLookup LookUpHost();

// One IPv4 address of a network interface.
struct InterfaceAddress {
    std::string interfaceName;
    uint32_t address;
};

// True for the bridges and virtual links that container and virtual-machine
// software sets up (docker0, br-..., virbr0, veth..., ...): no desk is on
// them, so they must never become the own address by default.
bool IsVirtualBridge(const std::string& interfaceName);

// The addresses in interface order, those of virtual bridges moved behind
// the others (each group keeps its order).
std::vector<uint32_t> OrderInterfaceAddresses(const std::vector<InterfaceAddress>& found);

// Replaces the host lookup (tests); an empty function restores the system's.
void SetHostLookup(std::function<HostLookup()> lookup);

// True when the address's dotted text names a value of the TempIPs key.
bool IsTemporaryAddress(uint32_t address);

// The own address: loopback when it is preferred; else the preferred one if
// the host has it; else the host's first; loopback when the host has none.
uint32_t ChooseOwnAddress(uint32_t preferred, const std::vector<uint32_t>& hostAddresses);

// Chooses the own address with the stored preference and fills OwnStation.
// 1 on success; 0 after "No own IP-Address!..." when the host name is
// unknown.
int ResolveOwnAddress();

// The addresses an operator may pick as own address: the host's addresses
// that are not temporary, then 127.0.0.1, with the entry to preselect (the
// stored preference, else the first). available is false when the host
// cannot be looked up; nothing is offered then.
struct OwnAddressChoices {
    bool available = false;
    std::vector<uint32_t> addresses;
    int selected = -1;
};
OwnAddressChoices ListOwnAddressChoices();

// What else must pause while the own address changes. Each may be empty.
struct OwnAddressChangeHooks {
    std::function<void()> stopChat;
    std::function<void()> clearDeskList;
    std::function<void()> startChat;
};

// Stops heartbeats and chat, stores the address as the preference, refills
// address, mask and address text of OwnStation, clears the desk list and
// starts heartbeats and chat again. A failed store write is not reported:
// the change still holds for this run.
void ChangeOwnAddress(uint32_t address, const OwnAddressChangeHooks& hooks);
