// The entry points of kteval-remote.so: the command server behind the loader
// in remote_module.h.
#include "remote_module.h"
#include "remote_server.h"

extern "C" {

bool kteval_remote_valid_address(const QString* text) {
    return kteval::ui::parseListenAddress(*text).has_value();
}

QObject* kteval_remote_listen(const QString* text, kteval::remote::Operations* operations,
                              QString* message) {
    const std::optional<kteval::ui::ListenAddress> where = kteval::ui::parseListenAddress(*text);
    if (!where) {
        *message = QStringLiteral("not an address");
        return nullptr;
    }
    auto server = std::make_unique<kteval::ui::RemoteServer>(*operations);
    if (!server->listen(*where)) {
        *message = server->errorString();
        return nullptr;
    }
    *message = server->boundAddress();
    return server.release();
}
}
