// The isometric hidden-line surface (see surface.h).
#include "graph/surface.h"

#include <cmath>

#include "graph/graph_state.h"
#include "graph/plot.h"

namespace {

float fmax2(float a, float b) { return a > b ? a : b; }

}  // namespace

void tiso3d(const Twin& t, const float* z, const int& lda, const int& nu, const int& nv,
            const int& kflip, float* hor, std::string_view title, const int& ntitle,
            const int& noframe, const int& notime) {
  Pen& pen = t.pen;
  const bool turned = kflip != 0;
  int i1, i2;
  float ahi;
  maxm(z, lda, nu, nv, i1, i2, ahi);
  const int mu = nu < 3 ? 3 : nu > SURFACE_LD ? SURFACE_LD : nu;
  const int mv = nv < 3 ? 3 : nv > SURFACE_LD ? SURFACE_LD : nv;

  const float ratio = 0.57735026f;  // tan 30 degrees
  const float labh = 2.0f * tekt.CHARH;
  const float legw = 2.0f * tekt.CHARW;
  const float uwid = (tekt.PXMAX - tekt.PXMIN) - 2.0f * legw;
  const float vwid = (tekt.PYMAX - tekt.PYMIN) - 2.0f * labh;
  const float vfit = vwid / (2.0f * ratio);
  const float scale = uwid < vfit ? uwid : vfit;
  const float deltau = scale / float(2 * mv);
  const float deltav = deltau * ratio;
  const float roof = scale * ratio;
  const float range = roof / ahi;
  const float uf = (tekt.PXMAX + tekt.PXMIN) / 2.0f;
  const float vf = tekt.PYMIN;

  // Projected height of node (iu, iv) in drawing order.
  auto value = [&](int iu, int iv) {
    const int a = turned ? mu + 1 - iu : iu;
    const int b = turned ? mv + 1 - iv : iv;
    return z[(a - 1) + (b - 1) * SURFACE_LD] * range;
  };
  auto hz = [&](int k) -> float& { return hor[k - 1]; };

  const float uu = float(mu - 1) * deltau;
  const float uv = float(mv - 1) * deltau;
  const float vu = float(mu - 1) * deltav;
  const float vv = float(mv - 1) * deltav;
  // Heights of the last row's last node and of the horizon under it.
  float br = vf + vu + vv, fr = br;

  if (ahi > 0.0f && std::isfinite(range)) {
    // Front row: entirely visible, from a stroke up at the front corner.
    float u = uf, v = vf;
    move_to(pen, uf, vf);
    for (int iu = 1; iu <= mu; ++iu) {
      if (iu > 1) {
        u = u + deltau;
        v = v + deltav;
      }
      const float h = value(iu, 1) + v;
      hz(iu) = h;
      draw_to(pen, u, h);
    }
    draw_to(pen, u, v);

    for (int iv = 2; iv <= mv; ++iv) {
      u = uf - float(iv - 1) * deltau;
      v = vf + float(iv - 1) * deltav;
      move_to(pen, u, v);
      float cold = value(1, iv) + v;
      draw_to(pen, u, cold);
      u = u + deltau;
      v = v + deltav;
      br = value(2, iv) + v;
      draw_to(pen, u, br);
      fr = hz(1);
      bool hidden = br < fr;
      for (int iu = 3; iu <= mu; ++iu) {
        u = u + deltau;
        v = v + deltav;
        const float fl = fr;
        fr = hz(iu - 1);
        const float bl = br;
        br = value(iu, iv) + v;
        const bool now_hidden = br < fr;
        if (now_hidden != hidden) {
          const float d = (bl - fl) / ((fr - fl) - (br - bl));
          const float cu = u - deltau + d * deltau;
          const float cv = bl + d * (br - bl);
          if (hidden) {
            move_to(pen, cu, cv);
            draw_to(pen, u, br);
          } else {
            draw_to(pen, cu, cv);
          }
        } else if (!now_hidden) {
          draw_to(pen, u, br);
        }
        hidden = now_hidden;
        hz(iu - 2) = cold;
        cold = fmax2(bl, fl);
      }
      if (!hidden) draw_to(pen, u, fmax2(v, fr));
      hz(mu - 1) = cold;
    }
  }
  pen.colour(3);

  if (noframe == 0) {
    move_to(pen, uf, vf);
    draw_to(pen, uf + uu, vf + vu);
    draw_to(pen, uf + uu, vf + vu + roof);
    if (!turned) {
      draw_to(pen, uf, vf + roof);
      draw_to(pen, uf, vf);
      move_to(pen, uf, vf + roof);
    } else {
      draw_to(pen, uf + uu - uv, vf + vu + vv + roof);
      draw_to(pen, uf + uu - uv, fmax2(br, fr));
      move_to(pen, uf + uu - uv, vf + vu + vv + roof);
    }
    draw_to(pen, uf - uv, vf + vv + roof);
    draw_to(pen, uf - uv, vf + vv);
    draw_to(pen, uf, vf);

    const float tx = uf - float(ntitle / 2) * tekt.CHARW;
    put_text(t, tx < 0.0f ? 0.0f : tx, tekt.PYMAX - labh, title);
  }
  put_text(t, uf + uv / 2.0f + legw, vf + vv / 2.0f - labh, "S");
  put_text(t, uf - uv / 2.0f - legw, vf + vv / 2.0f - labh, "T");
  if (notime == 0) timds(t, tekt.PXMAX - 15.0f * tekt.CHARW, tekt.PYMIN);
  pen.flush();
}

void tiso3d(const float* z, const int& lda, const int& nu, const int& nv, const int& kflip,
            float* hor, std::string_view title, const int& ntitle, const int& noframe,
            const int& notime) {
  tiso3d(screen_twin(), z, lda, nu, nv, kflip, hor, title, ntitle, noframe, notime);
}
void tiso3dps(const float* z, const int& lda, const int& nu, const int& nv, const int& kflip,
              float* hor, std::string_view title, const int& ntitle, const int& noframe,
              const int& notime) {
  tiso3d(paper_twin(), z, lda, nu, nv, kflip, hor, title, ntitle, noframe, notime);
}
