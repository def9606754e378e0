#pragma once

#include <memory>
#include <string>

namespace Orvanta {

// Base of every item record: a patch or a wave held in one slot of a project's list.
// An empty source path means an empty slot; every emptiness test looks at the path only.
class CParameter {
public:
    // Longest display name, in characters.
    static constexpr std::size_t kMaxNameLength = 12;

    CParameter() = default;
    CParameter(const CParameter& other) = default;
    CParameter& operator=(const CParameter&) = delete;
    virtual ~CParameter() = default;

    // A deep copy of the same concrete class.
    [[nodiscard]] virtual std::unique_ptr<CParameter> Clone() const = 0;
    virtual void Clear();

    [[nodiscard]] std::string GetPath() const { return m_path; }
    [[nodiscard]] bool IsEmpty() const { return m_path.empty(); }

    // Sets the display name; with `derive` the text is a file path whose folder, slot number and
    // extension are dropped. The result is cut to 12 characters, never inside a character (CutName).
    void SetName(const std::string& text, bool derive);
    // `name` cut to 12 characters, never inside a character; a name that was cut does not end in
    // blanks ("Deep Bass 1 Xtra" becomes "Deep Bass 1", not "Deep Bass 1 "), so that neither the
    // name nor a file named after it ends in a blank. A name of 12 characters or fewer is unchanged.
    [[nodiscard]] static std::string CutName(const std::string& name);

    // True when the source file carries the instrument's own wave extension ".w00", in any case.
    [[nodiscard]] bool IsNativeWave() const;

    std::string m_path;
    std::string m_name;
};

} // namespace Orvanta
