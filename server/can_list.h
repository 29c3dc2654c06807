// The CAN firmware list of the maker's server ("can/list") and the selection
// tree built from it: makes, their models, their production periods, and the
// firmware of each period, every level sorted without regard to case, the
// placeholder make "-" always first.
//
// The list is a JSON array of entries (an object whose members are entries is
// read the same way, in member order):
//   {"b": make, "m": model, "y": period, "c": [ {ID: caption} | {ID: {"t","h","d"}} ... ]}
// A firmware is either the simple form (a whole-number ID and a text caption)
// or the full form (alias "t", internal name "h", description "d"). Rules:
// - make, model and period are trimmed; a period "0" is listed as "-";
// - an entry with an empty "c" adds nothing, not even its make;
// - a full-form firmware whose description begins with "[REM]" is left out;
// - when make, model and period repeat, the first entry's firmware stay.
// Anything else that is not as described (not JSON, not a list, an entry that
// is not an object or lacks a member, a firmware that is neither form) makes
// the whole list unreadable: ParseCanList throws CanListError.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv::can {

struct TCanFW {
  std::string FID;
  std::string FInternalName;
  std::string FAlias;
  std::string FDescription;
  // "%s [%s]" with FAlias and FInternalName.
  std::string Caption() const;
};

struct Firmware {
  std::string caption;
  std::optional<TCanFW> full;  // the full form
  int64_t id = 0;              // the simple form's identifier
};
struct Period {
  std::string name;
  std::vector<Firmware> firmware;
};
struct Model {
  std::string name;
  std::vector<Period> periods;
};
struct Make {
  std::string name;
  std::vector<Model> models;
};

inline constexpr const char* kPlaceholder = "-";

struct CanTree {
  std::vector<Make> makes;  // makes[0] is the placeholder "-" once any make was added
  // Lookups by name (case-insensitive); nullptr when absent.
  const Make* FindMake(const std::string& name) const;
  const Model* FindModel(const std::string& make, const std::string& model) const;
  const Period* FindPeriod(const std::string& make, const std::string& model, const std::string& period) const;
};

class CanListError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

CanTree ParseCanList(const std::string& body);

// Case-insensitive order for Latin and Cyrillic text (UTF-8); true when a
// sorts before b. Equal ignoring case compares equal.
bool LessNoCase(const std::string& a, const std::string& b);
bool EqualNoCase(const std::string& a, const std::string& b);

}  // namespace orv::can
