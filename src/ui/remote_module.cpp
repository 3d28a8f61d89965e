#include "remote_module.h"

#include <dlfcn.h>

namespace kteval::ui {

RemoteModule::RemoteModule(const std::string& programDirectory) {
    const std::string file =
        programDirectory + "/" + KTEVAL_REMOTE_MODULE_DIRECTORY + "/kteval-remote.so";
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error_ = QString::fromLocal8Bit(dlerror());
        return;
    }
    validAddress_ = reinterpret_cast<ValidAddress>(dlsym(handle, "kteval_remote_valid_address"));
    listen_ = reinterpret_cast<Listen>(dlsym(handle, "kteval_remote_listen"));
    if (!loaded())
        error_ =
            QStringLiteral("%1 lacks its entry points").arg(QString::fromLocal8Bit(file.c_str()));
}

bool RemoteModule::validAddress(const QString& text) const {
    return validAddress_(&text);
}

std::unique_ptr<QObject> RemoteModule::listen(const QString& text, remote::Operations& operations,
                                              QString* message) const {
    return std::unique_ptr<QObject>(listen_(&text, &operations, message));
}

}  // namespace kteval::ui
