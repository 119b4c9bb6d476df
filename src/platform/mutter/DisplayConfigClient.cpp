#include "platform/mutter/DisplayConfigClient.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <type_traits>
#include <vector>

Q_DECLARE_METATYPE(corvane::mutter::MonitorAssignment)
Q_DECLARE_METATYPE(corvane::mutter::LogicalMonitorConfig)

namespace corvane::mutter {

namespace {

// The items of a D-Bus array, each taken by `read`.
template <typename Read>
auto readArray(const QDBusArgument& arg, Read read) {
    std::vector<std::invoke_result_t<Read, const QDBusArgument&>> items;
    arg.beginArray();
    while (!arg.atEnd()) {
        items.push_back(read(arg));
    }
    arg.endArray();
    return items;
}

}  // namespace

// ApplyMonitorsConfig's logical monitors: a(iiduba(ssa{sv})). Qt needs both
// directions to register a type; only writing is used.
QDBusArgument& operator<<(QDBusArgument& arg, const MonitorAssignment& monitor) {
    arg.beginStructure();
    arg << monitor.connector << monitor.modeId << monitor.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, MonitorAssignment& monitor) {
    arg.beginStructure();
    arg >> monitor.connector >> monitor.modeId >> monitor.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const LogicalMonitorConfig& logical) {
    arg.beginStructure();
    arg << logical.x << logical.y << logical.scale << logical.transform << logical.primary;
    arg.beginArray(QMetaType::fromType<MonitorAssignment>());
    for (const MonitorAssignment& monitor : logical.monitors) {
        arg << monitor;
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, LogicalMonitorConfig& logical) {
    arg.beginStructure();
    arg >> logical.x >> logical.y >> logical.scale >> logical.transform >> logical.primary;
    logical.monitors = readArray(arg, [](const QDBusArgument& item) {
        MonitorAssignment monitor;
        item >> monitor;
        return monitor;
    });
    arg.endStructure();
    return arg;
}

namespace {

// Long enough for a mode set on real hardware; a compositor that does not
// answer at all costs this much once per call, and never the process.
constexpr int kCallTimeoutMilliseconds = 5000;
constexpr std::uint32_t kApplyTemporarily = 1;

const QString kStateSignature =
    QStringLiteral("ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}");

CallFailure failureOf(const QDBusMessage& reply) {
    const QDBusError error(reply);
    // An error reply always maps to a type other than NoError (0).
    return {std::max<std::int32_t>(static_cast<std::int32_t>(error.type()), QDBusError::Other),
            error.message()};
}

MonitorKey readKey(const QDBusArgument& arg) {
    MonitorKey key;
    arg.beginStructure();
    arg >> key.connector >> key.vendor >> key.product >> key.serial;
    arg.endStructure();
    return key;
}

Mode readMode(const QDBusArgument& arg) {
    Mode mode;
    QList<double> scales;
    QVariantMap properties;
    arg.beginStructure();
    arg >> mode.id >> mode.width >> mode.height >> mode.refreshRate >> mode.preferredScale >>
        scales >> properties;
    arg.endStructure();
    mode.supportedScales.assign(scales.begin(), scales.end());
    mode.isCurrent = properties.value(QStringLiteral("is-current")).toBool();
    mode.isPreferred = properties.value(QStringLiteral("is-preferred")).toBool();
    mode.isInterlaced = properties.value(QStringLiteral("is-interlaced")).toBool();
    return mode;
}

Monitor readMonitor(const QDBusArgument& arg) {
    Monitor monitor;
    QVariantMap properties;
    arg.beginStructure();
    monitor.key = readKey(arg);
    monitor.modes = readArray(arg, readMode);
    arg >> properties;
    arg.endStructure();
    monitor.displayName = properties.value(QStringLiteral("display-name")).toString();
    const QVariant underscanning = properties.value(QStringLiteral("is-underscanning"));
    if (underscanning.isValid()) {
        monitor.underscanning = underscanning.toBool();
    }
    return monitor;
}

LogicalMonitor readLogicalMonitor(const QDBusArgument& arg) {
    LogicalMonitor logical;
    QVariantMap properties;
    arg.beginStructure();
    arg >> logical.x >> logical.y >> logical.scale >> logical.transform >> logical.primary;
    logical.monitors = readArray(arg, readKey);
    arg >> properties;
    arg.endStructure();
    return logical;
}

QDBusMessage call(const QString& method) {
    return QDBusMessage::createMethodCall(kDisplayConfigService, kDisplayConfigPath,
                                          kDisplayConfigInterface, method);
}

}  // namespace

DisplayConfigClient::DisplayConfigClient(QDBusConnection connection)
    : connection_(std::move(connection)) {
    qDBusRegisterMetaType<MonitorAssignment>();
    qDBusRegisterMetaType<LogicalMonitorConfig>();
    qDBusRegisterMetaType<QList<LogicalMonitorConfig>>();
}

std::variant<DisplayConfigState, CallFailure> DisplayConfigClient::currentState() const {
    const QDBusMessage reply = connection_.call(call(QStringLiteral("GetCurrentState")),
                                                QDBus::Block, kCallTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return failureOf(reply);
    }
    if (reply.signature() != kStateSignature) {
        return CallFailure{QDBusError::InvalidSignature,
                           QStringLiteral("unexpected reply: ") + reply.signature()};
    }
    const QList<QVariant> args = reply.arguments();
    DisplayConfigState state;
    state.serial = args[0].toUInt();

    state.monitors = readArray(qvariant_cast<QDBusArgument>(args[1]), readMonitor);
    state.logicalMonitors = readArray(qvariant_cast<QDBusArgument>(args[2]), readLogicalMonitor);

    const auto properties = qdbus_cast<QVariantMap>(args[3]);
    state.layoutMode =
        properties.value(QStringLiteral("layout-mode"), QVariant(kLayoutLogical)).toUInt();
    state.supportsChangingLayoutMode =
        properties.value(QStringLiteral("supports-changing-layout-mode")).toBool();
    return state;
}

std::optional<CallFailure> DisplayConfigClient::apply(const MonitorsConfig& config) const {
    QDBusMessage message = call(QStringLiteral("ApplyMonitorsConfig"));
    const QList<LogicalMonitorConfig> logical(config.logicalMonitors.begin(),
                                              config.logicalMonitors.end());
    message << config.serial << kApplyTemporarily << QVariant::fromValue(logical)
            << config.properties;
    const QDBusMessage reply = connection_.call(message, QDBus::Block, kCallTimeoutMilliseconds);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        return failureOf(reply);
    }
    return std::nullopt;
}

}  // namespace corvane::mutter
