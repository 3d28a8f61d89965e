#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

namespace kteval::remote {
class Operations;
}

namespace kteval::ui {

// The command server (RemoteServer) and Qt Network live in a module of their
// own, kteval-remote.so, loaded only when remote control is asked for: a
// session without it neither loads nor links the network libraries.
//
// The module lies in KTEVAL_REMOTE_MODULE_DIRECTORY (set by the build),
// relative to the program's folder: the same layout in the build tree and the
// installed one.
class RemoteModule {
  public:
    // Loads the module for the program in programDirectory; error() says why
    // when it is not loaded.
    explicit RemoteModule(const std::string& programDirectory);
    RemoteModule(const RemoteModule&) = delete;
    RemoteModule& operator=(const RemoteModule&) = delete;
    ~RemoteModule() = default;  // the module stays loaded until exit

    bool loaded() const { return validAddress_ != nullptr && listen_ != nullptr; }
    const QString& error() const { return error_; }

    // Whether the text is "[ADDR:]PORT" as parseListenAddress reads it.
    bool validAddress(const QString& text) const;
    // A command server listening on the address text, working on operations;
    // null with *message the reason when it cannot listen, else *message the
    // bound address ("127.0.0.1:5025").
    std::unique_ptr<QObject> listen(const QString& text, remote::Operations& operations,
                                    QString* message) const;

  private:
    using ValidAddress = bool (*)(const QString*);
    using Listen = QObject* (*)(const QString*, remote::Operations*, QString*);

    ValidAddress validAddress_ = nullptr;
    Listen listen_ = nullptr;
    QString error_;
};

}  // namespace kteval::ui

// The module's entry points (C names, looked up by the loader).
extern "C" {
bool kteval_remote_valid_address(const QString* text);
QObject* kteval_remote_listen(const QString* text, kteval::remote::Operations* operations,
                              QString* message);
}
