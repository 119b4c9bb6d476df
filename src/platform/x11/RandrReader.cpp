#include "platform/x11/RandrReader.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace corvane::x11 {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// Collects a reply and drops its error. An error left unasked for would
// travel to the event queue, which Xlib owns and hands to whatever error
// handler is installed at the time.
template <typename T, typename Cookie, typename Fn>
Reply<T> take(xcb_connection_t* xcb, Fn replyFn, Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    Reply<T> reply(replyFn(xcb, cookie, &error));
    std::free(error);
    return reply;
}

// A configuration that changes between the two rounds invalidates the
// second; a few attempts outlast any burst of reconfiguration.
constexpr int kAttempts = 4;

// EDID base block: 128 bytes, asked for in 32-bit units.
constexpr std::uint32_t kEdidLongs = 128 / 4;

// The probing and the current resources replies carry the same fields
// under different accessor names.
template <typename R>
struct ResourcesAccess;

template <>
struct ResourcesAccess<xcb_randr_get_screen_resources_reply_t> {
    using R = xcb_randr_get_screen_resources_reply_t;
    static const xcb_randr_crtc_t* crtcs(const R* r) {
        return xcb_randr_get_screen_resources_crtcs(r);
    }
    static int crtcCount(const R* r) { return xcb_randr_get_screen_resources_crtcs_length(r); }
    static const xcb_randr_output_t* outputs(const R* r) {
        return xcb_randr_get_screen_resources_outputs(r);
    }
    static int outputCount(const R* r) { return xcb_randr_get_screen_resources_outputs_length(r); }
    static const xcb_randr_mode_info_t* modes(const R* r) {
        return xcb_randr_get_screen_resources_modes(r);
    }
    static int modeCount(const R* r) { return xcb_randr_get_screen_resources_modes_length(r); }
};

template <>
struct ResourcesAccess<xcb_randr_get_screen_resources_current_reply_t> {
    using R = xcb_randr_get_screen_resources_current_reply_t;
    static const xcb_randr_crtc_t* crtcs(const R* r) {
        return xcb_randr_get_screen_resources_current_crtcs(r);
    }
    static int crtcCount(const R* r) {
        return xcb_randr_get_screen_resources_current_crtcs_length(r);
    }
    static const xcb_randr_output_t* outputs(const R* r) {
        return xcb_randr_get_screen_resources_current_outputs(r);
    }
    static int outputCount(const R* r) {
        return xcb_randr_get_screen_resources_current_outputs_length(r);
    }
    static const xcb_randr_mode_info_t* modes(const R* r) {
        return xcb_randr_get_screen_resources_current_modes(r);
    }
    static int modeCount(const R* r) {
        return xcb_randr_get_screen_resources_current_modes_length(r);
    }
};

struct Resources {
    std::uint32_t timestamp = 0;
    std::uint32_t configTimestamp = 0;
    std::vector<std::uint32_t> crtcs;
    std::vector<std::uint32_t> outputs;
    std::vector<RandrMode> modes;
};

template <typename R>
Resources resourcesFrom(const R* reply) {
    using Access = ResourcesAccess<R>;
    Resources resources;
    resources.timestamp = reply->timestamp;
    resources.configTimestamp = reply->config_timestamp;
    const xcb_randr_crtc_t* crtcs = Access::crtcs(reply);
    resources.crtcs.assign(crtcs, crtcs + Access::crtcCount(reply));
    const xcb_randr_output_t* outputs = Access::outputs(reply);
    resources.outputs.assign(outputs, outputs + Access::outputCount(reply));
    const xcb_randr_mode_info_t* infos = Access::modes(reply);
    const int count = Access::modeCount(reply);
    resources.modes.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        RandrMode mode;
        mode.xid = infos[i].id;
        mode.width = infos[i].width;
        mode.height = infos[i].height;
        mode.dotClock = infos[i].dot_clock;
        mode.hTotal = infos[i].htotal;
        mode.vTotal = infos[i].vtotal;
        mode.flags = infos[i].mode_flags;
        resources.modes.push_back(mode);
    }
    return resources;
}

enum class Outcome { done, retry, failed };

double fromFixed(xcb_render_fixed_t value) {
    return value / 65536.0;
}

std::optional<CrtcTransform> transformFrom(const xcb_render_transform_t& t) {
    constexpr xcb_render_fixed_t one = 1 << 16;
    const CrtcTransform m = {fromFixed(t.matrix11), fromFixed(t.matrix12), fromFixed(t.matrix13),
                             fromFixed(t.matrix21), fromFixed(t.matrix22), fromFixed(t.matrix23),
                             fromFixed(t.matrix31), fromFixed(t.matrix32), fromFixed(t.matrix33)};
    const bool identity = t.matrix11 == one && t.matrix22 == one && t.matrix33 == one &&
                          t.matrix12 == 0 && t.matrix13 == 0 && t.matrix21 == 0 &&
                          t.matrix23 == 0 && t.matrix31 == 0 && t.matrix32 == 0;
    if (identity) {
        return std::nullopt;
    }
    return m;
}

xcb_randr_get_output_property_cookie_t askEdid(XConnection& connection, std::uint32_t output) {
    return xcb_randr_get_output_property(connection.xcb(), output, connection.edidAtom(),
                                         XCB_ATOM_ANY, 0, kEdidLongs, 0, 0);
}

bool contains(const std::vector<std::uint32_t>& xids, std::uint32_t xid) {
    return std::find(xids.begin(), xids.end(), xid) != xids.end();
}

// The detail requests of one read: every output, its EDID, and every CRTC,
// sent at once and answered in one round trip. Only a connected output's
// EDID counts; given `edidOutputs`, the EDIDs of those alone go out at
// first, and those of any other output found connected follow. Replies
// left uncollected are dropped with the requests.
class DetailRequests {
  public:
    DetailRequests(XConnection& connection, std::vector<std::uint32_t> outputs,
                   std::vector<std::uint32_t> crtcs, std::uint32_t configTimestamp,
                   CrtcGeometry geometry, const std::vector<std::uint32_t>* edidOutputs = nullptr)
        : connection_(connection),
          xcb_(connection.xcb()),
          outputs_(std::move(outputs)),
          crtcs_(std::move(crtcs)),
          configTimestamp_(configTimestamp),
          full_(geometry == CrtcGeometry::full) {
        for (std::uint32_t output : outputs_) {
            outputCookies_.push_back(xcb_randr_get_output_info(xcb_, output, configTimestamp_));
            edidCookies_.push_back(!edidOutputs || contains(*edidOutputs, output)
                                       ? std::optional(askEdid(connection, output))
                                       : std::nullopt);
        }
        for (std::uint32_t crtc : crtcs_) {
            crtcCookies_.push_back(xcb_randr_get_crtc_info(xcb_, crtc, configTimestamp_));
            if (full_) {
                transformCookies_.push_back(xcb_randr_get_crtc_transform(xcb_, crtc));
                panningCookies_.push_back(xcb_randr_get_panning(xcb_, crtc));
            }
        }
    }

    ~DetailRequests() {
        if (!settled_) {
            discard();
        }
    }

    DetailRequests(const DetailRequests&) = delete;
    DetailRequests& operator=(const DetailRequests&) = delete;

    // True when these requests ask for exactly what `resources` lists.
    bool cover(const Resources& resources) const {
        return outputs_ == resources.outputs && crtcs_ == resources.crtcs &&
               configTimestamp_ == resources.configTimestamp;
    }

    LayoutShape shape() const { return {outputs_, crtcs_, configTimestamp_, connected_}; }

    // Drops every reply unread, without waiting for any.
    void discard() {
        settled_ = true;
        const auto drop = [this](const auto& cookies) {
            for (const auto& cookie : cookies) {
                xcb_discard_reply(xcb_, cookie.sequence);
            }
        };
        drop(outputCookies_);
        for (const auto& cookie : edidCookies_) {
            if (cookie) {
                xcb_discard_reply(xcb_, cookie->sequence);
            }
        }
        drop(crtcCookies_);
        drop(transformCookies_);
        drop(panningCookies_);
    }

    // Every reply is collected even after a failure, so none is left
    // queued on the connection.
    Outcome collect(RandrLayout& layout) {
        settled_ = true;
        Outcome outcome = Outcome::done;
        // Connected outputs whose EDID was not asked for, by their place in
        // the layout.
        std::vector<std::size_t> unasked;
        for (std::size_t i = 0; i < outputs_.size(); ++i) {
            // A disappearing output answers with an error, a changed
            // configuration with a status; either way the read is retried.
            auto info = take<xcb_randr_get_output_info_reply_t>(
                xcb_, xcb_randr_get_output_info_reply, outputCookies_[i]);
            Reply<xcb_randr_get_output_property_reply_t> edid;
            if (edidCookies_[i]) {
                edid = take<xcb_randr_get_output_property_reply_t>(
                    xcb_, xcb_randr_get_output_property_reply, *edidCookies_[i]);
            }
            if (!info || info->status != XCB_RANDR_SET_CONFIG_SUCCESS) {
                outcome = Outcome::retry;
                continue;
            }
            RandrOutput output;
            output.xid = outputs_[i];
            output.name = QString::fromUtf8(
                reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                xcb_randr_get_output_info_name_length(info.get()));
            output.connected = info->connection == XCB_RANDR_CONNECTION_CONNECTED;
            output.crtc = info->crtc;
            const xcb_randr_mode_t* modes = xcb_randr_get_output_info_modes(info.get());
            output.modes.assign(modes, modes + xcb_randr_get_output_info_modes_length(info.get()));
            output.edid = edidFrom(edid.get());
            if (output.connected) {
                connected_.push_back(output.xid);
                if (!edidCookies_[i]) {
                    unasked.push_back(layout.outputs.size());
                }
            }
            layout.outputs.push_back(std::move(output));
        }
        for (std::size_t i = 0; i < crtcs_.size(); ++i) {
            auto info = take<xcb_randr_get_crtc_info_reply_t>(xcb_, xcb_randr_get_crtc_info_reply,
                                                              crtcCookies_[i]);
            // A driver without transforms or panning answers with the
            // identity and no area, or with an error: either way the CRTC
            // covers its mode.
            std::optional<CrtcTransform> transform;
            PanningArea panning;
            if (full_) {
                if (auto reply = take<xcb_randr_get_crtc_transform_reply_t>(
                        xcb_, xcb_randr_get_crtc_transform_reply, transformCookies_[i])) {
                    transform = transformFrom(reply->current_transform);
                }
                if (auto reply = take<xcb_randr_get_panning_reply_t>(
                        xcb_, xcb_randr_get_panning_reply, panningCookies_[i])) {
                    panning = {reply->left, reply->top, reply->width, reply->height};
                }
            }
            if (!info || info->status != XCB_RANDR_SET_CONFIG_SUCCESS) {
                outcome = Outcome::retry;
                continue;
            }
            RandrCrtc crtc;
            crtc.xid = crtcs_[i];
            crtc.x = info->x;
            crtc.y = info->y;
            crtc.mode = info->mode;
            crtc.rotation = info->rotation;
            const xcb_randr_output_t* outputs = xcb_randr_get_crtc_info_outputs(info.get());
            crtc.outputs.assign(outputs,
                                outputs + xcb_randr_get_crtc_info_outputs_length(info.get()));
            crtc.transform = transform;
            crtc.panning = panning;
            layout.crtcs.push_back(std::move(crtc));
        }
        collectUnaskedEdids(layout, unasked);
        return outcome;
    }

  private:
    static QByteArray edidFrom(const xcb_randr_get_output_property_reply_t* reply) {
        if (!reply || reply->format != 8) {
            return {};
        }
        return QByteArray(reinterpret_cast<const char*>(xcb_randr_get_output_property_data(reply)),
                          xcb_randr_get_output_property_data_length(reply));
    }

    // A monitor plugged in since the layout that chose the EDIDs: one more
    // round trip, for those outputs alone.
    void collectUnaskedEdids(RandrLayout& layout, const std::vector<std::size_t>& unasked) {
        std::vector<xcb_randr_get_output_property_cookie_t> cookies;
        for (std::size_t place : unasked) {
            cookies.push_back(askEdid(connection_, layout.outputs[place].xid));
        }
        for (std::size_t i = 0; i < unasked.size(); ++i) {
            const auto edid = take<xcb_randr_get_output_property_reply_t>(
                xcb_, xcb_randr_get_output_property_reply, cookies[i]);
            layout.outputs[unasked[i]].edid = edidFrom(edid.get());
        }
    }

    XConnection& connection_;
    xcb_connection_t* xcb_;
    std::vector<std::uint32_t> outputs_;
    std::vector<std::uint32_t> crtcs_;
    std::uint32_t configTimestamp_;
    bool full_;
    std::vector<xcb_randr_get_output_info_cookie_t> outputCookies_;
    std::vector<std::optional<xcb_randr_get_output_property_cookie_t>> edidCookies_;
    std::vector<std::uint32_t> connected_;
    bool settled_ = false;
    std::vector<xcb_randr_get_crtc_info_cookie_t> crtcCookies_;
    std::vector<xcb_randr_get_crtc_transform_cookie_t> transformCookies_;
    std::vector<xcb_randr_get_panning_cookie_t> panningCookies_;
};

// One attempt. The resources, the primary output and the screen size go
// out together with the details of the outputs and CRTCs of `shape`; when
// the resources still name those, one round trip is all, and otherwise the
// details are asked for again. A successful attempt leaves its shape.
Outcome readOnce(XConnection& connection, ResourceQuery query, CrtcGeometry crtcGeometry,
                 LayoutShape* shape, RandrLayout& layout) {
    xcb_connection_t* xcb = connection.xcb();
    const xcb_window_t root = connection.root();

    const bool probe = query == ResourceQuery::probe;
    xcb_randr_get_screen_resources_cookie_t probing{};
    xcb_randr_get_screen_resources_current_cookie_t current{};
    if (probe) {
        probing = xcb_randr_get_screen_resources(xcb, root);
    } else {
        current = xcb_randr_get_screen_resources_current(xcb, root);
    }
    const auto primaryCookie = xcb_randr_get_output_primary(xcb, root);
    const auto geometryCookie = xcb_get_geometry(xcb, root);
    std::optional<DetailRequests> guessed;
    if (shape) {
        guessed.emplace(connection, shape->outputs, shape->crtcs, shape->configTimestamp,
                        crtcGeometry, &shape->connected);
    }

    Resources resources;
    bool haveResources = false;
    if (probe) {
        auto reply = take<xcb_randr_get_screen_resources_reply_t>(
            xcb, xcb_randr_get_screen_resources_reply, probing);
        if (reply) {
            resources = resourcesFrom(reply.get());
            haveResources = true;
        }
    } else {
        auto reply = take<xcb_randr_get_screen_resources_current_reply_t>(
            xcb, xcb_randr_get_screen_resources_current_reply, current);
        if (reply) {
            resources = resourcesFrom(reply.get());
            haveResources = true;
        }
    }
    auto primary = take<xcb_randr_get_output_primary_reply_t>(
        xcb, xcb_randr_get_output_primary_reply, primaryCookie);
    auto geometry = take<xcb_get_geometry_reply_t>(xcb, xcb_get_geometry_reply, geometryCookie);
    if (!haveResources || !primary || !geometry) {
        return Outcome::failed;
    }

    layout = RandrLayout{};
    layout.timestamp = resources.timestamp;
    layout.configTimestamp = resources.configTimestamp;
    layout.screen = {geometry->width, geometry->height};
    layout.primaryOutput = primary->output;
    layout.modes = std::move(resources.modes);
    std::sort(layout.modes.begin(), layout.modes.end(),
              [](const RandrMode& a, const RandrMode& b) { return a.xid < b.xid; });
    std::optional<DetailRequests> asked;
    if (!guessed || !guessed->cover(resources)) {
        guessed.reset();
        if (shape) {
            // A retry guesses from what the server has now.
            shape->outputs = resources.outputs;
            shape->crtcs = resources.crtcs;
            shape->configTimestamp = resources.configTimestamp;
        }
        asked.emplace(connection, std::move(resources.outputs), std::move(resources.crtcs),
                      resources.configTimestamp, crtcGeometry);
    }
    DetailRequests& details = asked ? *asked : *guessed;
    const Outcome outcome = details.collect(layout);
    if (outcome == Outcome::done && shape) {
        *shape = details.shape();
    }
    return outcome;
}

}  // namespace

std::optional<RandrLayout> readLayout(XConnection& connection, ResourceQuery query,
                                      CrtcGeometry geometry, LayoutShape* shape) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (connection.isLost()) {
            return std::nullopt;
        }
        RandrLayout layout;
        switch (readOnce(connection, query, geometry, shape, layout)) {
            case Outcome::done:
                return layout;
            case Outcome::failed:
                return std::nullopt;
            case Outcome::retry:
                break;
        }
    }
    return std::nullopt;
}

}  // namespace corvane::x11
