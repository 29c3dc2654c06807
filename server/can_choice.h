// The choice of a CAN firmware from the selection tree, as the vehicle page's
// four lists drive it: choosing a make fills the models and selects the first,
// a model fills the periods, a period fills the firmware; each step selects
// the first item of the next list. Qt-free: the page shows the lists, labels
// and enabling this state holds.
#pragma once

#include <string>
#include <vector>

#include "server/can_list.h"

namespace orv::can {

namespace choice_text {
inline constexpr const char* kOneFirmware = "Доступна CAN-прошивка:";
inline constexpr const char* kChooseFirmware = "Выберите CAN-прошивку:";
inline constexpr const char* kBadId = "Ошибка, номер прошивки неверен";
}  // namespace choice_text

// Splits a description into the installation manual's address (the first
// "http", in any case, up to the next blank or the end) and the rest, the
// words before and after it joined by one blank.
struct SplitDescription {
  std::string link;
  std::string text;
};
SplitDescription CutManualLink(const std::string& description);

class CanChoice {
 public:
  // The tree must outlive the choice (SetTree when it is replaced).
  void SetTree(const CanTree* tree);

  // -1 or the placeholder empties everything below and clears FCanId.
  void ChooseMake(int index);
  void ChooseModel(int index);
  void ChoosePeriod(int index);
  // Returns false (with Error() set to "Ошибка, номер прошивки неверен") when
  // the index names no firmware.
  bool ChooseFirmware(int index);

  std::vector<std::string> Makes() const;
  std::vector<std::string> Models() const;
  std::vector<std::string> Periods() const;
  // Firmware captions and, for the full form, the description shown below
  // the caption (without the manual address).
  std::vector<std::pair<std::string, std::string>> Firmware() const;

  int MakeIndex() const { return make_; }
  int ModelIndex() const { return model_; }
  int PeriodIndex() const { return period_; }
  int FirmwareIndex() const { return firmware_; }
  bool MakeChosen() const { return make_ > 0; }

  bool ModelsEnabled() const { return Models().size() >= 2; }
  bool PeriodsEnabled() const { return Periods().size() >= 2; }
  bool FirmwareEnabled() const { return Firmware().size() >= 2; }
  const char* FirmwareLabel() const { return FirmwareEnabled() ? choice_text::kChooseFirmware : choice_text::kOneFirmware; }

  // The chosen firmware, when there is one.
  const can::Firmware* Chosen() const;
  std::string FCanId;
  std::string FTechManuallLink;  // empty: the manual buttons are hidden
  std::string FCANDescription;
  bool AnalogFWSelected = false;
  std::string Error() const { return error_; }

 private:
  const Make* CurMake() const;
  const Model* CurModel() const;
  const Period* CurPeriod() const;
  void ClearFirmware();
  const CanTree* tree_ = nullptr;
  int make_ = -1, model_ = -1, period_ = -1, firmware_ = -1;
  std::string error_;
};

// Chooses by names (the CLI's --make/--model/--period and a firmware id):
// false when a name is not in the tree.
bool ChooseByNames(CanChoice& choice, const std::string& make, const std::string& model, const std::string& period);

}  // namespace orv::can
