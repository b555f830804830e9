#include "config_listing.h"

namespace qlcos::tool {

namespace {

// Lists this long or shorter are shown whole; longer ones by their ends.
const size_t kPointsShown = 8;
// An element without children and with this many values or fewer takes one line.
const size_t kValuesOnOneLine = 6;

// The value that names an element in its heading ("PaperSize "4x6"").
bool IsLabel(const std::string& key) { return key == "Name" || key == "Key"; }

std::string PointText(const std::pair<int, int>& point)
{
    return "(" + std::to_string(point.first) + "," + std::to_string(point.second) + ")";
}

std::string PointsText(const std::vector<std::pair<int, int>>& points)
{
    std::string text = std::to_string(points.size()) + (points.size() == 1 ? " point" : " points");
    for (size_t i = 0; i < points.size(); ++i) {
        if (points.size() > kPointsShown && i == 4) {
            text += " ...";
            i = points.size() - 3;
            continue;
        }
        text += " " + PointText(points[i]);
    }
    return text;
}

const std::string* ValueOf(const Listing& listing, const char* name)
{
    for (const auto& [key, value] : listing.Values)
        if (key == name) return &value;
    return nullptr;
}

const std::string* LabelOf(const Listing& listing)
{
    for (const auto& [key, value] : listing.Values)
        if (IsLabel(key)) return &value;
    return nullptr;
}

} // namespace

std::string ListingText(const Listing& listing, int indent)
{
    const std::string pad(static_cast<size_t>(indent), ' ');
    if (listing.IsPointList) {
        const std::string* channel = ValueOf(listing, "Type");
        return pad + (channel ? *channel : listing.Name) + ": " + PointsText(listing.Points) + "\n";
    }
    std::string heading = pad + listing.Name;
    const std::string* label = LabelOf(listing);
    if (label) heading += " \"" + *label + "\"";
    if (listing.Children.empty() && listing.Values.size() <= kValuesOnOneLine + (label ? 1 : 0)) {
        std::string values;
        for (const auto& [key, value] : listing.Values)
            if (&value != label) values += (values.empty() ? ": " : ", ") + key + "=" + value;
        return heading + values + "\n";
    }
    std::string text = heading + "\n";
    for (const auto& [key, value] : listing.Values)
        if (&value != label) text += pad + "  " + key + ": " + value + "\n";
    for (const Listing& child : listing.Children) text += ListingText(child, indent + 2);
    return text;
}

Json ListingJson(const Listing& listing)
{
    Json data = Json::object();
    for (const auto& [key, value] : listing.Values) data[key] = value;
    if (listing.IsPointList) {
        data["points"] = Json::array();
        for (const auto& [x, y] : listing.Points) data["points"].push_back({x, y});
    }
    for (const Listing& child : listing.Children) {
        Json& group = data[child.Name];
        if (!group.is_array()) group = Json::array();
        group.push_back(ListingJson(child));
    }
    return data;
}

} // namespace qlcos::tool
