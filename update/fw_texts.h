// The firmware workflows' user-visible texts, in one place: the procedures
// write them and the tests compare against them.
#pragma once

namespace orv::fwtext {

// Catalogue and hexadecimal images.
inline constexpr const char* kIntegrityCheck = "Проверка целостности ПО...";
inline constexpr const char* kIntegrityChecked = "Целостность ПО проверена";
inline constexpr const char* kIntegrityError = "Ошибка при проверке целостности ПО";

// Summaries.
inline constexpr const char* kNoUpdateNeeded = "Обновление не требуется";

// Core update.
inline constexpr const char* kUpdating = "Обновляется \"%s\"";
inline constexpr const char* kClearing = "Очистка временной памяти устройства...";
inline constexpr const char* kEraseError = "Ошибка стирания блока во внешней Flash-памяти...";
inline constexpr const char* kWriting = "Запись в память устройства...";
inline constexpr const char* kWriteError = "Ошибка при записи в память устройства.";
inline constexpr const char* kWritten = "ПО записано в память устройства.";
inline constexpr const char* kLoaderNotStarted = "Загрузчик не запустился вовремя";
inline constexpr const char* kUpdateRunning = "Идет обновление.";
inline constexpr const char* kLoaderStart = "Запуск загрузчика.";
inline constexpr const char* kNotFinished = "Обновление не закончено";

inline constexpr const char* kCode0 = "Нет прав на запуск обновления (не BootMode, например)";
inline constexpr const char* kCode1 = "Ошибка сохранения исходной прошивки, новая даже не пыталась записываться";
inline constexpr const char* kCode2 = "Ошибка записи в память процессора. Исходная прошивка не была восстановлена";
inline constexpr const char* kCode3 = "Обновление устройства закончено.";
inline constexpr const char* kCode4 = "Ошибка обновления, восстановлена исходная прошивка";
inline constexpr const char* kCode254 = "Не удалось передать команду на обновление";
inline constexpr const char* kCode255 = "Ошибка размера файла. Возможно неверный файл прошивки";
inline constexpr const char* kCodeOther = "Ошибка: $%.2X";

// Following a restart.
inline constexpr const char* kRebooting = "Перезагрузка устройства.";
inline constexpr const char* kRestarting = "Устройство перезагружается.";
inline constexpr const char* kNotDisconnected = "Orvantis не отключился!";
inline constexpr const char* kSwitchingOff = "Отключаем Orvantis.";
inline constexpr const char* kSwitchingOn = "Включаем Orvantis.";
inline constexpr const char* kSwitchedOn = "Orvantis включился.";
inline constexpr const char* kWaitingConnection = "Ожидание подключения.";
inline constexpr const char* kRebootDone = "Перезагрузка завершена.";

// Auxiliary firmware.
inline constexpr const char* kInLoader = "Ошибка. Устройство находится в режиме загрузчика";
inline constexpr const char* kFlashWriting = "Запись во Flash-память устройства...";
inline constexpr const char* kAuxEraseError = "Ошибка стирания блока во внешней Flash-памяти";
inline constexpr const char* kAuxWriteError = "Ошибка записи прошивки во внешнюю Flash-память";
inline constexpr const char* kAuxSaved = "Прошивка сохранена во Flash-памяти устройства";
inline constexpr const char* kAuxNoReply =
    "Устройство не отвечает на команду. Вероятно, обновление дополнительного ПО не поддерживается";
inline constexpr const char* kAuxStartError = "Ошибка: %d";
inline constexpr const char* kAuxStarted = "Начато обновление Дополнительного ПО";
inline constexpr const char* kAuxPollNoReply = "Ошибка, нет ответа от устройства";
inline constexpr const char* kAuxResultSub =
    "Ошибка записи в память процессора (#%d.%d). Исходная прошивка не была восстановлена";
inline constexpr const char* kAuxResult = "Ошибка записи в память процессора (#%d). Исходная прошивка не была восстановлена";

// Module images.
inline constexpr const char* kModuleSaving = "В памяти системы сохраняется ПО \"%s\"";
inline constexpr const char* kModuleEraseError = "Ошибка стирания блока во внешней Flash-памяти...";
inline constexpr const char* kModuleWritten = "Прошивка успешно записана во Flash-память...";
inline constexpr const char* kModuleWriteError = "Ошибка записи прошивки во внешнюю Flash-память...";
inline constexpr const char* kModuleSendError = "Не удается инициировать отправку прошивок в модули";

// Tasks 22 and 10.
inline constexpr const char* kCheckTitle = "Проверка обновлений";
inline constexpr const char* kCheckProgress = "Проверка обновлений ПО...";
inline constexpr const char* kHasUpdate = "Имеется обновление ПО устройства.";
inline constexpr const char* kNeedsUpdateResult = "требуется обновление ПО";
inline constexpr const char* kQuestionHead = "Рекомендуется обновить программное обеспечение устройства.\r\n";
inline constexpr const char* kQuestionTail = "Сделать это сейчас?";
inline constexpr const char* kDeclined = "Обновление ПО не установлено.";
inline constexpr const char* kUpToDate = "Обновление ПО устройства не требуется.";
inline constexpr const char* kUpToDateResult = "Обновление не требуется";
inline constexpr const char* kCheckError = "Ошибка при проверке обновлений.";
inline constexpr const char* kCheckErrorResult = "Сбой при проверке обновлений";

inline constexpr const char* kUpdateTitle = "Обновление ПО";
inline constexpr const char* kUpdateProgress = "Получение файлов обновлений...";
inline constexpr const char* kFilesReceived = "Файлы обновления получены.";
inline constexpr const char* kUpdateError = "Ошибка при обновлении ПО.";
inline constexpr const char* kUpdateErrorResult = "ПО не обновлено";
inline constexpr const char* kUpdateDone = "Обновление ПО завершено.";
inline constexpr const char* kUpdateDoneResult = "Обновление ПО завершено";

inline constexpr const char* kActionCaption = "Обновление ПО ядра системы";
inline constexpr const char* kNoConnection = "Нет соединения с Orvantis";
inline constexpr const char* kNotConnected = "Orvantis не подключен";

}  // namespace orv::fwtext
