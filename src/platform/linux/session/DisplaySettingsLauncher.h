#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace corvane {

// Starts the desktop's own display settings: GNOME's, KDE's, Xfce's, or
// arandr, the first one that is installed and starts.
class DisplaySettingsLauncher {
  public:
    struct Candidate {
        QString program;
        QStringList arguments;
    };

    // Starts `program` detached; true when it started.
    using Starter = std::function<bool(const QString& program, const QStringList& arguments)>;
    // Full path of an installed program, or empty.
    using Finder = std::function<QString(const QString& program)>;

    DisplaySettingsLauncher();
    DisplaySettingsLauncher(Finder finder, Starter starter);

    static const std::vector<Candidate>& candidates();

    // Returns the program that was started, or an empty string when none
    // could be.
    QString open() const;

  private:
    Finder finder_;
    Starter starter_;
};

}  // namespace corvane
