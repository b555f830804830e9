// A record's listing as indented text for a person, or as JSON.
#pragma once

#include "config_records.h"
#include "output.h"

namespace qlcos::tool {

// One line per value; an element without children on one line; key point lists summarised
// ("Red: 5 points (0,0) (64,80) ... (255,255)"). Every line starts with `indent` spaces.
std::string ListingText(const Listing& listing, int indent);
// The values as strings, key points as [x, y] pairs, children grouped by name in arrays.
Json ListingJson(const Listing& listing);

} // namespace qlcos::tool
