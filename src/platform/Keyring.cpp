#include "platform/Keyring.h"

#include <cstdlib>

#ifdef NRT_HAVE_LIBSECRET
#include <libsecret/secret.h>
#endif

namespace nrt::platform::keyring {

#ifdef NRT_HAVE_LIBSECRET
namespace {

const SecretSchema* Schema()
{
    static const SecretSchema schema { "io.github.nortea.Sync", SECRET_SCHEMA_NONE,
        { { "server", SECRET_SCHEMA_ATTRIBUTE_STRING }, { "user", SECRET_SCHEMA_ATTRIBUTE_STRING },
            { nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING } },
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr };
    return &schema;
}

// Without a session bus libsecret would try to start one (and a display with it).
bool BusAnswers()
{
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return bus != nullptr && *bus != '\0';
}

// An error means no keyring here: no service, a locked one the user would not open.
KeyringResult Checked(GError* error, bool found)
{
    if (error != nullptr) {
        g_error_free(error);
        return KeyringResult::kUnavailable;
    }
    return found ? KeyringResult::kDone : KeyringResult::kNotFound;
}

} // namespace

KeyringResult Store(std::string_view server, std::string_view user, std::string_view password)
{
    if (!BusAnswers())
        return KeyringResult::kUnavailable;
    const std::string s(server), u(user), p(password), label = "ノルテア: " + u + " @ " + s;
    GError* error = nullptr;
    const gboolean stored = secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT, label.c_str(), p.c_str(),
        nullptr, &error, "server", s.c_str(), "user", u.c_str(), nullptr);
    return Checked(error, stored != FALSE);
}

KeyringResult Lookup(std::string_view server, std::string_view user, std::string* password)
{
    if (!BusAnswers())
        return KeyringResult::kUnavailable;
    const std::string s(server), u(user);
    GError* error = nullptr;
    gchar* found
        = secret_password_lookup_sync(Schema(), nullptr, &error, "server", s.c_str(), "user", u.c_str(), nullptr);
    if (found != nullptr) {
        password->assign(found);
        secret_password_free(found);
    }
    return Checked(error, found != nullptr);
}

KeyringResult Forget(std::string_view server, std::string_view user)
{
    if (!BusAnswers())
        return KeyringResult::kUnavailable;
    const std::string s(server), u(user);
    GError* error = nullptr;
    const gboolean cleared
        = secret_password_clear_sync(Schema(), nullptr, &error, "server", s.c_str(), "user", u.c_str(), nullptr);
    return Checked(error, cleared != FALSE);
}

#else

KeyringResult Store(std::string_view, std::string_view, std::string_view)
{
    return KeyringResult::kUnavailable;
}

KeyringResult Lookup(std::string_view, std::string_view, std::string*)
{
    return KeyringResult::kUnavailable;
}

KeyringResult Forget(std::string_view, std::string_view)
{
    return KeyringResult::kUnavailable;
}

#endif

} // namespace nrt::platform::keyring
