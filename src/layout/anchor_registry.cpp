// The anchor and host registries. Never freed: they must outlive every window that uses them.
#include "layout/layout.h"

namespace {

struct Registries {
    std::vector<AnchorRecord> anchorList;
    std::vector<HostWindowRecord> hostList;
};

Registries& State() {
    static Registries* registries = new Registries();
    return *registries;
}

}  // namespace

std::vector<AnchorRecord>& AnchorList() {
    return State().anchorList;
}

std::vector<HostWindowRecord>& HostList() {
    return State().hostList;
}

void CreateAnchorRegistries() {
    State().anchorList.clear();
    State().hostList.clear();
}
