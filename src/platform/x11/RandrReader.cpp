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

// The detail requests of one read: every output with its EDID, and every
// CRTC, sent at once and answered in one round trip.
class DetailRequests {
  public:
    DetailRequests(XConnection& connection, std::vector<std::uint32_t> outputs,
                   std::vector<std::uint32_t> crtcs, std::uint32_t configTimestamp,
                   CrtcGeometry geometry)
        : xcb_(connection.xcb()),
          outputs_(std::move(outputs)),
          crtcs_(std::move(crtcs)),
          configTimestamp_(configTimestamp),
          full_(geometry == CrtcGeometry::full) {
        for (std::uint32_t output : outputs_) {
            outputCookies_.push_back(xcb_randr_get_output_info(xcb_, output, configTimestamp_));
            edidCookies_.push_back(xcb_randr_get_output_property(
                xcb_, output, connection.edidAtom(), XCB_ATOM_ANY, 0, kEdidLongs, 0, 0));
        }
        for (std::uint32_t crtc : crtcs_) {
            crtcCookies_.push_back(xcb_randr_get_crtc_info(xcb_, crtc, configTimestamp_));
            if (full_) {
                transformCookies_.push_back(xcb_randr_get_crtc_transform(xcb_, crtc));
                panningCookies_.push_back(xcb_randr_get_panning(xcb_, crtc));
            }
        }
    }

    // True when these requests ask for exactly what `resources` lists.
    bool cover(const Resources& resources) const {
        return outputs_ == resources.outputs && crtcs_ == resources.crtcs &&
               configTimestamp_ == resources.configTimestamp;
    }

    // Drops every reply unread, without waiting for any.
    void discard() {
        const auto drop = [this](const auto& cookies) {
            for (const auto& cookie : cookies) {
                xcb_discard_reply(xcb_, cookie.sequence);
            }
        };
        drop(outputCookies_);
        drop(edidCookies_);
        drop(crtcCookies_);
        drop(transformCookies_);
        drop(panningCookies_);
    }

    // Every reply is collected even after a failure, so none is left
    // queued on the connection.
    Outcome collect(RandrLayout& layout) {
        Outcome outcome = Outcome::done;
        for (std::size_t i = 0; i < outputs_.size(); ++i) {
            // A disappearing output answers with an error, a changed
            // configuration with a status; either way the read is retried.
            auto info = take<xcb_randr_get_output_info_reply_t>(
                xcb_, xcb_randr_get_output_info_reply, outputCookies_[i]);
            auto edid = take<xcb_randr_get_output_property_reply_t>(
                xcb_, xcb_randr_get_output_property_reply, edidCookies_[i]);
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
            if (edid && edid->format == 8) {
                output.edid = QByteArray(
                    reinterpret_cast<const char*>(xcb_randr_get_output_property_data(edid.get())),
                    xcb_randr_get_output_property_data_length(edid.get()));
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
        return outcome;
    }

  private:
    xcb_connection_t* xcb_;
    std::vector<std::uint32_t> outputs_;
    std::vector<std::uint32_t> crtcs_;
    std::uint32_t configTimestamp_;
    bool full_;
    std::vector<xcb_randr_get_output_info_cookie_t> outputCookies_;
    std::vector<xcb_randr_get_output_property_cookie_t> edidCookies_;
    std::vector<xcb_randr_get_crtc_info_cookie_t> crtcCookies_;
    std::vector<xcb_randr_get_crtc_transform_cookie_t> transformCookies_;
    std::vector<xcb_randr_get_panning_cookie_t> panningCookies_;
};

std::vector<std::uint32_t> xidsOf(const auto& items) {
    std::vector<std::uint32_t> xids;
    xids.reserve(items.size());
    for (const auto& item : items) {
        xids.push_back(item.xid);
    }
    return xids;
}

// One attempt. The resources, the primary output and the screen size go
// out together with the details of the outputs and CRTCs that `previous`
// found; when the resources still name those, one round trip is all, and
// otherwise the details are asked for again.
Outcome readOnce(XConnection& connection, ResourceQuery query, CrtcGeometry crtcGeometry,
                 const RandrLayout* previous, RandrLayout& layout) {
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
    if (previous) {
        guessed.emplace(connection, xidsOf(previous->outputs), xidsOf(previous->crtcs),
                        previous->configTimestamp, crtcGeometry);
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
    const bool guessHolds = haveResources && guessed && guessed->cover(resources);
    if (guessed && !guessHolds) {
        guessed->discard();
    }
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
    if (guessHolds) {
        return guessed->collect(layout);
    }
    return DetailRequests(connection, std::move(resources.outputs), std::move(resources.crtcs),
                          resources.configTimestamp, crtcGeometry)
        .collect(layout);
}

}  // namespace

std::optional<RandrLayout> readLayout(XConnection& connection, ResourceQuery query,
                                      CrtcGeometry geometry, const RandrLayout* previous) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (connection.isLost()) {
            return std::nullopt;
        }
        RandrLayout layout;
        switch (readOnce(connection, query, geometry, previous, layout)) {
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
