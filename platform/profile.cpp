#include "platform/profile.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace vurk {

namespace {

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The bytes as lines, without their line ends.
std::vector<std::string> splitLines(const std::vector<uint8_t>& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (uint8_t b : bytes) {
        if (b == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(b));
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// "[name]" gives name; any other line gives nothing.
std::optional<std::string> sectionName(const std::string& line) {
    std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') return std::nullopt;
    size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// "key=value" gives key; other lines give nothing.
std::optional<std::string> keyName(const std::string& line) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return trim(line.substr(0, eq));
}

struct Found {
    std::optional<size_t> section;  // line of the section header
    size_t sectionEnd = 0;          // one past the section's last non-blank line
    std::optional<size_t> key;      // line of the key
};

Found find(const std::vector<std::string>& lines, const std::string& section, const std::string& key) {
    Found f;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i])) {
            if (inside) break;
            if (sameName(*name, section)) {
                inside = true;
                f.section = i;
                f.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inside) continue;
        if (!trim(lines[i]).empty()) f.sectionEnd = i + 1;
        auto k = keyName(lines[i]);
        if (k && !f.key && sameName(*k, key)) f.key = i;
    }
    return f;
}

}  // namespace

ReadResult Profile::load(const std::string& fileName, uint64_t maxBytes) {
    std::vector<uint8_t> bytes;
    const ReadResult r = readWholeFile(fileName, bytes, maxBytes);
    lines_ = r == ReadResult::Ok ? splitLines(bytes) : std::vector<std::string>{};
    return r;
}

std::string Profile::getString(const std::string& section, const std::string& key,
                               const std::string& defaultValue) const {
    Found f = find(lines_, section, key);
    if (!f.key) return defaultValue;
    const std::string& line = lines_[*f.key];
    return trim(line.substr(line.find('=') + 1));
}

namespace {

// A signed decimal number at the start of `value` (sign, then digits), its
// magnitude saturated at 0xFFFFFFFF; no value when no digit follows the sign.
struct Decimal {
    bool negative = false;
    int64_t magnitude = 0;
};

std::optional<Decimal> leadingDecimal(const std::string& value) {
    Decimal d;
    size_t i = 0;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) d.negative = value[i++] == '-';
    const size_t digits = i;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        d.magnitude = std::min<int64_t>(d.magnitude * 10 + (value[i] - '0'), 0xFFFFFFFFLL);
    }
    if (i == digits) return std::nullopt;
    return d;
}

}  // namespace

int32_t Profile::getInt(const std::string& section, const std::string& key, int32_t defaultValue) const {
    const std::string missing = "\x01";
    std::string value = getString(section, key, missing);
    if (value == missing) return defaultValue;
    const Decimal d = leadingDecimal(value).value_or(Decimal{});
    // The result wraps like a 32-bit value.
    uint32_t u = static_cast<uint32_t>(d.magnitude);
    if (d.negative) u = 0u - u;
    return static_cast<int32_t>(u);
}

int64_t Profile::getBoundedInt(const std::string& section, const std::string& key, int64_t low, int64_t high,
                               int64_t defaultValue) const {
    const std::optional<Decimal> d = leadingDecimal(getString(section, key, {}));
    if (!d) return defaultValue;
    return std::clamp(d->negative ? -d->magnitude : d->magnitude, low, high);
}

void Profile::set(const std::string& section, const std::string& key, const std::string& value) {
    Found f = find(lines_, section, key);
    std::string entry = key + "=" + value;
    if (f.key) {
        lines_[*f.key] = entry;
    } else if (f.section) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(f.sectionEnd), entry);
    } else {
        lines_.push_back("[" + section + "]");
        lines_.push_back(entry);
    }
}

bool Profile::save(const std::string& fileName) const {
    std::string text;
    for (const std::string& l : lines_) text += l + "\n";
    FileWriter w;
    return w.create(fileName) && w.write(text.data(), text.size()) && w.commit();
}

}  // namespace vurk
