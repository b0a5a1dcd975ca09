// The names of the fault modes, as the command line and the control address spell them.
#include "site.h"

namespace {

struct FaultName {
    FaultMode mode;
    std::string_view name;
};

const FaultName FaultNames[] = {
    {FaultMode::None, "none"},           {FaultMode::NotFound, "404"},
    {FaultMode::ServerError, "500"},     {FaultMode::Empty, "empty"},
    {FaultMode::NoMarkers, "nomarkers"}, {FaultMode::Uppercase, "uppercase"},
    {FaultMode::Nested, "nested"},       {FaultMode::OneMarker, "onemarker"},
    {FaultMode::ZeroByte, "zerobyte"},   {FaultMode::Huge, "huge"},
    {FaultMode::Trickle, "trickle"},     {FaultMode::Stall, "stall"},
    {FaultMode::Reset, "reset"},         {FaultMode::Redirect, "redirect"},
    {FaultMode::Script, "script"},
};

}  // namespace

bool ParseFaultMode(std::string_view name, FaultMode& mode) {
    for (const FaultName& f : FaultNames) {
        if (f.name == name) {
            mode = f.mode;
            return true;
        }
    }
    return false;
}

std::string_view FaultModeName(FaultMode mode) {
    for (const FaultName& f : FaultNames) {
        if (f.mode == mode) {
            return f.name;
        }
    }
    return "none";
}

std::vector<FaultMode> AllFaultModes() {
    std::vector<FaultMode> modes;
    for (const FaultName& f : FaultNames) {
        modes.push_back(f.mode);
    }
    return modes;
}
