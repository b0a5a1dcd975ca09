// Test hooks of the GTK browser view beyond those of ui.h.
#pragma once

#include <string>
#include <vector>

#include "text_types/text_types.h"

// The addresses (UTF-8) of every resource the view has loaded whole, frames and pictures
// included, since it last started a page of its own; empty without a view.
std::vector<std::string> BrowserLoadedResources(const Text& controlName);
