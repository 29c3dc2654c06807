#include "device/error_text.h"

#include <cerrno>
#include <cstring>

namespace orv {

std::string SystemErrorText(int err) {
  switch (err) {
    case ENOENT: return "нет такого файла или папки";
    case EACCES:
    case EPERM: return "нет доступа";
    case EISDIR: return "это папка";
    case ENOTDIR: return "часть пути не является папкой";
    case ENOSPC: return "на диске нет места";
    case EDQUOT: return "превышена дисковая квота";
    case EROFS: return "файловая система доступна только для чтения";
    case EEXIST: return "файл уже существует";
    case ENAMETOOLONG: return "слишком длинное имя файла";
    case ELOOP: return "слишком много символических ссылок";
    case EIO: return "ошибка ввода-вывода";
    case EBUSY: return "устройство или ресурс занято";
    case ENODEV:
    case ENXIO: return "устройство отсутствует";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case ENOMEM: return "недостаточно памяти";
    case EINVAL: return "недопустимый аргумент";
    default: break;
  }
  char buf[256];
  // GNU strerror_r returns the text, which may not be in buf.
  const char* s = strerror_r(err, buf, sizeof buf);
  return s ? s : "ошибка " + std::to_string(err);
}

}  // namespace orv
