#include "ui/start_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "files/file_error.h"
#include "files/file_system.h"
#include "front/argument_bytes.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace ctrlprog {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("Start", text);
}

// The keys a station's configuration may have, and the option each one gives.
struct Key {
  const char* name;
  const char* option;
  // A Switch gives its option when true and the option's "--no-" form when false.
  enum class Kind { Text, Texts, Flag, Switch, Path, Hash } kind;
};
constexpr Key kKeys[] = {
    {"ports", "--port", Key::Kind::Texts},
    {"file", "--load", Key::Kind::Path},
    {"sha256", nullptr, Key::Kind::Hash},
    {"record", "--record", Key::Kind::Path},
    {"record_rotate", "--record-rotate", Key::Kind::Text},
    {"station", "--station", Key::Kind::Text},
    {"line_db", "--line-db", Key::Kind::Text},
    {"scan", "--scan", Key::Kind::Flag},
    {"serial_pattern", "--serial-pattern", Key::Kind::Text},
    {"rework", "--rework", Key::Kind::Flag},
    {"line_optional", "--line-optional", Key::Kind::Flag},
    {"lock", "--lock", Key::Kind::Flag},
    {"start", "--start", Key::Kind::Flag},
    {"floor", "--floor", Key::Kind::Switch},
};

// Why the file at `path` cannot be read, chosen by the system's code and said whole in the
// operator's language (Qt's error text would be English inside a Chinese sentence); empty when
// it can.
QString WhyUnreadable(const QString& path) {
  std::string head;
  const auto error = ReadFileHead(ArgumentBytes(path), 0, head);
  return error ? ToQString(Describe(*error)) : QString();
}

std::optional<bool> Flag(const QString& text) {
  const QString t = text.trimmed().toLower();
  if (t == "true" || t == "yes" || t == "1") return true;
  if (t == "false" || t == "no" || t == "0") return false;
  return std::nullopt;
}

// A value as written: QSettings reads "a, b" as a list, which a single text takes back whole.
QString Text(const QVariant& value) {
  return value.metaType().id() == QMetaType::QStringList ? value.toStringList().join(',')
                                                         : value.toString();
}

}  // namespace

void SetUpParser(QCommandLineParser& parser, const StartOptions& options) {
  QCoreApplication::setApplicationName("ctrlprog");
  QCoreApplication::setApplicationVersion(CTRLPROG_VERSION);
  parser.setApplicationDescription("Programs the parameters of a motor-controller board.");
  parser.addHelpOption();
  parser.addVersionOption();
  for (const QCommandLineOption* o :
       {&options.port, &options.load, &options.record, &options.lineDb, &options.station,
        &options.lock, &options.start, &options.scan, &options.serialPattern, &options.rework,
        &options.lineOptional, &options.recordRotate, &options.floor, &options.noFloor,
        &options.stationConfig}) {
    parser.addOption(*o);
  }
}

bool FloorScreen(const QCommandLineParser& parser, const StartOptions& options) {
  if (parser.isSet(options.noFloor)) return false;
  return parser.isSet(options.floor) || parser.isSet(options.lock);
}

std::variant<StationConfig, QString> ReadStationConfig(const QString& path) {
  if (const QString why = WhyUnreadable(path); !why.isEmpty()) {
    return Tr("The station's configuration %1 cannot be read: %2.").arg(path, why);
  }
  const QSettings ini(path, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError) {
    return Tr("The station's configuration %1 is not an INI file.").arg(path);
  }
  const QDir folder = QFileInfo(path).absoluteDir();
  StationConfig config;
  for (const QString& name : ini.allKeys()) {
    const bool known = std::any_of(std::begin(kKeys), std::end(kKeys),
                                   [&name](const Key& k) { return name == k.name; });
    if (!known) {
      return Tr("The station's configuration %1 has a key %2 it does not know.").arg(path, name);
    }
  }
  // In the order of the keys above, however the file orders them.
  for (const Key& k : kKeys) {
    const Key* key = &k;
    const QString name = k.name;
    if (!ini.contains(name)) continue;
    const QVariant value = ini.value(name);
    switch (key->kind) {
      case Key::Kind::Texts:
        for (const QString& port : value.toStringList()) {
          if (!port.trimmed().isEmpty()) config.arguments << key->option << port.trimmed();
        }
        break;
      case Key::Kind::Text:
        config.arguments << key->option << Text(value);
        break;
      case Key::Kind::Path: {
        // Relative to the configuration's own folder, so it reads the same from anywhere.
        const QString absolute = QDir::cleanPath(folder.absoluteFilePath(Text(value)));
        config.arguments << key->option << absolute;
        if (QString(key->name) == "file") config.file = absolute;
        break;
      }
      case Key::Kind::Switch:
      case Key::Kind::Flag: {
        const auto on = Flag(Text(value));
        if (!on) {
          return Tr("The station's configuration %1 gives %2 = \"%3\"; it takes true or false.")
              .arg(path, name, Text(value));
        }
        if (*on) {
          config.arguments << key->option;
        } else if (key->kind == Key::Kind::Switch) {
          config.arguments << QString(key->option).replace(0, 2, "--no-");
        }
        break;
      }
      case Key::Kind::Hash: {
        const QString hash = Text(value).trimmed().toLower();
        if (hash.size() != 64 || QByteArray::fromHex(hash.toLatin1()).toHex() != hash.toLatin1()) {
          return Tr("The station's configuration %1 gives sha256 = \"%2\"; it takes the 64 "
                    "hexadecimal digits of the parameter file's SHA-256.")
              .arg(path, Text(value));
        }
        config.sha256 = hash;
        break;
      }
    }
  }
  if (config.arguments.contains("--lock") && (config.file.isEmpty() || config.sha256.isEmpty())) {
    return Tr("The station's configuration %1 locks the station but does not name its "
              "parameter file (file) and the file's SHA-256 (sha256).")
        .arg(path);
  }
  return config;
}

QString FileSha256(const QString& path) {
  QFile file(path);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) return {};
  return QString::fromLatin1(hash.result().toHex());
}

std::optional<QString> SetChanged(const QString& path, const QString& sha256,
                                  const QString& config) {
  QFile file(path);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
    // A set that cannot be checked is not programmed.
    const QString why = WhyUnreadable(path);
    return Tr("The parameter file %1 cannot be read to check it is the station's set: %2.")
        .arg(path, why.isEmpty() ? ToQString(Describe(FileError::Other)) : why);
  }
  const QString found = QString::fromLatin1(hash.result().toHex());
  if (found == sha256) return std::nullopt;
  return Tr("The parameter file %1 has changed since the station was set up: its SHA-256 is %2, "
            "the station's configuration %3 names %4. Nothing is programmed until an engineer "
            "sets the station up again.")
      .arg(path, found, config, sha256);
}

void RefuseStart(const QString& text) {
  std::fprintf(stderr, "ctrlprog: %s\n", text.toLocal8Bit().constData());
  QMessageBox::critical(nullptr, MainWindow::DialogTitle(), text);
}

std::optional<StartPlan> PlanStart(const QStringList& arguments, const QString& systemConfig) {
  const StartOptions options;
  QCommandLineParser parser;
  SetUpParser(parser, options);
  StartPlan plan{arguments, {}, {}};
  // Without a configuration, the command line's own faults are said as ever, by the parser
  // the program runs.
  const bool parsed = parser.parse(arguments);
  if (parsed && parser.isSet(options.stationConfig)) {
    plan.config = parser.value(options.stationConfig);
    // An empty name is no way round the system's configuration.
    if (plan.config.trimmed().isEmpty()) {
      RefuseStart(Tr("--station-config needs the name of a station's configuration file."));
      return std::nullopt;
    }
  } else if (QFileInfo::exists(systemConfig)) {
    plan.config = systemConfig;
  }
  if (!plan.config.isEmpty()) {
    // The station is what its configuration says; nothing given besides it is taken.
    QStringList besides;
    if (parsed) {
      for (const QString& name : parser.optionNames()) {
        if (name != "station-config") besides << "--" + name;
      }
      besides << parser.positionalArguments();
    } else {
      besides = arguments.mid(1);
    }
    if (!besides.isEmpty()) {
      RefuseStart(Tr("%1 sets this station up; the options given besides are not taken: %2")
                      .arg(plan.config, besides.join(' ')));
      return std::nullopt;
    }
    const auto read = ReadStationConfig(plan.config);
    if (const auto* refusal = std::get_if<QString>(&read)) {
      RefuseStart(*refusal);
      return std::nullopt;
    }
    const auto& config = std::get<StationConfig>(read);
    plan.arguments = QStringList{arguments.value(0, "ctrlprog")} + config.arguments;
    plan.sha256 = config.sha256;
    if (!config.sha256.isEmpty()) {
      if (config.file.isEmpty()) {
        RefuseStart(Tr("The station's configuration %1 gives a SHA-256 but no parameter file "
                       "(file).")
                        .arg(plan.config));
        return std::nullopt;
      }
      if (const auto changed = SetChanged(config.file, config.sha256, plan.config)) {
        RefuseStart(*changed);
        return std::nullopt;
      }
    }
    if (!parser.parse(plan.arguments)) {
      RefuseStart(Tr("The station's configuration %1: %2").arg(plan.config, parser.errorText()));
      return std::nullopt;
    }
  }
  if ((parsed || !plan.config.isEmpty()) && parser.isSet(options.lock) &&
      !parser.isSet(options.load)) {
    RefuseStart(Tr("--lock needs --load FILE, the set the station programs."));
    return std::nullopt;
  }
  return plan;
}

}  // namespace ctrlprog
