// SPDX-License-Identifier: MIT
// The WebGL side of the GL 1.1 subset (gl.cpp): one shader program that takes
// clip-space vertices and does GL 1.1's texturing (wrap, filter, environment)
// itself, one vertex buffer, and the textures, on the current context (GLctx).
mergeInto(LibraryManager.library, {
  $ZGL: {
    program: null,
    buffer: null,
    uniforms: {},
    textures: [null], // by the index gl.cpp knows them by; 0 is none
    // A vertex: clip position (4 floats), then planes (3 each) for 1, s, t, r,
    // g, b, a over the viewport (gl.cpp's Planes).
    kPlanes: ['Den', 'S', 'T', 'R', 'G', 'B', 'A'],
    kStride: 100,
    kVertexShader: [
      'attribute vec4 aPosition;',
      'attribute vec3 aDen, aS, aT, aR, aG, aB, aA;',
      'varying vec3 vDen, vS, vT, vR, vG, vB, vA;',
      'void main() {',
      '  gl_Position = aPosition;',
      '  vDen = aDen;',
      '  vS = aS;',
      '  vT = aT;',
      '  vR = aR;',
      '  vG = aG;',
      '  vB = aB;',
      '  vA = aA;',
      '}',
    ].join('\n'),
    // The texture is kept as NEAREST/CLAMP_TO_EDGE texels (any size works so in
    // WebGL 1) and filtered here: GL_REPEAT, GL_CLAMP with its transparent
    // black border, GL_NEAREST and GL_LINEAR as GL 1.1 defines them, with
    // GL_LINEAR's weights and sums in 8-bit steps as Mesa's llvmpipe has them
    // (weights rounded to 1/256, the two rows' mixes rounded to 8 bits before
    // they are mixed in turn), so that filtered texels come out the same.
    kFragmentShader: [
      'precision highp float;',
      'uniform sampler2D uTexture;',
      'uniform int uMode;     // 0 untextured, 1 GL_MODULATE, 2 GL_DECAL, 3 GL_REPLACE',
      'uniform bool uAlpha;   // the texture is RGBA',
      'uniform bool uLinear;',
      'uniform vec2 uSize;    // in texels',
      'uniform vec2 uClamp;   // 1 where GL_CLAMP, 0 where GL_REPEAT, per axis',
      'uniform vec4 uViewport; // x, y, width, height',
      'varying vec3 vDen, vS, vT, vR, vG, vB, vA;',
      '// Texel (i, j) in levels 0-255, or the border outside a clamped texture.',
      'vec4 Texel(vec2 ij) {',
      '  vec2 outside = (1.0 - step(0.0, ij) * step(ij, uSize - 1.0)) * uClamp;',
      '  if (max(outside.x, outside.y) > 0.0)',
      '    return vec4(0.0, 0.0, 0.0, uAlpha ? 0.0 : 255.0);',
      '  vec2 wrapped = ij - uSize * floor(ij / uSize);',
      '  return floor(texture2D(uTexture, (wrapped + 0.5) / uSize) * 255.0 + 0.5);',
      '}',
      '// a to b by weight/256, rounded down from the half.',
      'vec4 Mix8(vec4 a, vec4 b, float weight) {',
      '  return a + floor(((b - a) * weight + 128.0) / 256.0);',
      '}',
      'vec4 Sample(vec2 st) {',
      '  st = mix(st, clamp(st, 0.0, 1.0), uClamp);',
      '  vec2 uv = st * uSize;',
      '  if (!uLinear) // s = 1 on a clamped axis is the last texel, not the border',
      '    return Texel(mix(floor(uv), min(floor(uv), uSize - 1.0), uClamp)) / 255.0;',
      '  vec2 fixed8 = floor((uv - 0.5) * 256.0 + 0.5);',
      '  vec2 ij = floor(fixed8 / 256.0), weight = fixed8 - ij * 256.0;',
      '  vec4 top = Mix8(Texel(ij), Texel(ij + vec2(1.0, 0.0)), weight.x);',
      '  vec4 bottom = Mix8(Texel(ij + vec2(0.0, 1.0)), Texel(ij + vec2(1.0, 1.0)), weight.x);',
      '  return Mix8(top, bottom, weight.y) / 255.0;',
      '}',
      'void main() {',
      '  vec3 p = vec3((gl_FragCoord.xy - uViewport.xy) / uViewport.zw * 2.0 - 1.0, 1.0);',
      '  float den = dot(vDen, p);',
      '  vec4 color = clamp(vec4(dot(vR, p), dot(vG, p), dot(vB, p), dot(vA, p)) / den, 0.0, 1.0);',
      '  if (uMode == 0) {',
      '    gl_FragColor = color;',
      '    return;',
      '  }',
      '  vec4 t = Sample(vec2(dot(vS, p), dot(vT, p)) / den);',
      '  if (uMode == 1)',
      '    gl_FragColor = color * t;',
      '  else if (uMode == 2)',
      '    gl_FragColor = vec4(mix(color.rgb, t.rgb, t.a), color.a);',
      '  else',
      '    gl_FragColor = vec4(t.rgb, uAlpha ? t.a : color.a);',
      '}',
    ].join('\n'),

    Shader: function(type, source) {
      var shader = GLctx.createShader(type);
      GLctx.shaderSource(shader, source);
      GLctx.compileShader(shader);
      if (!GLctx.getShaderParameter(shader, 0x8B81 /* COMPILE_STATUS */))
        console.error('zarvox GL: shader: ' + GLctx.getShaderInfoLog(shader));
      return shader;
    },
  },

  zgl_attach__deps: ['$ZGL', '$GL'],
  zgl_attach: function() {
    var gl = GLctx;
    if (!gl)
      return 0;
    var program = gl.createProgram();
    gl.attachShader(program, ZGL.Shader(gl.VERTEX_SHADER, ZGL.kVertexShader));
    gl.attachShader(program, ZGL.Shader(gl.FRAGMENT_SHADER, ZGL.kFragmentShader));
    gl.bindAttribLocation(program, 0, 'aPosition');
    ZGL.kPlanes.forEach(function(name, i) {
      gl.bindAttribLocation(program, i + 1, 'a' + name);
    });
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      console.error('zarvox GL: program: ' + gl.getProgramInfoLog(program));
      return 0;
    }
    ZGL.program = program;
    ZGL.textures = [null];
    ['uTexture', 'uMode', 'uAlpha', 'uLinear', 'uSize', 'uClamp', 'uViewport'].forEach(function(name) {
      ZGL.uniforms[name] = gl.getUniformLocation(program, name);
    });
    gl.useProgram(program);
    gl.uniform1i(ZGL.uniforms.uTexture, 0);
    ZGL.buffer = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, ZGL.buffer);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 4, gl.FLOAT, false, ZGL.kStride, 0);
    for (var i = 1; i <= ZGL.kPlanes.length; ++i) {
      gl.enableVertexAttribArray(i);
      gl.vertexAttribPointer(i, 3, gl.FLOAT, false, ZGL.kStride, 4 + i * 12);
    }
    gl.activeTexture(gl.TEXTURE0);
    // GL's initial state where WebGL's differs.
    gl.depthFunc(gl.LESS);
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 4);
    gl.pixelStorei(gl.PACK_ALIGNMENT, 1);
    return 1;
  },

  zgl_detach__deps: ['$ZGL'],
  zgl_detach: function() {
    var gl = GLctx;
    if (gl) {
      ZGL.textures.forEach(function(texture) {
        if (texture)
          gl.deleteTexture(texture);
      });
      if (ZGL.buffer)
        gl.deleteBuffer(ZGL.buffer);
      if (ZGL.program)
        gl.deleteProgram(ZGL.program);
    }
    ZGL.textures = [null];
    ZGL.buffer = ZGL.program = null;
  },

  zgl_enable: function(cap, on) {
    if (on)
      GLctx.enable(cap);
    else
      GLctx.disable(cap);
  },
  zgl_viewport: function(x, y, width, height) {
    GLctx.viewport(x, y, width, height);
  },
  zgl_scissor: function(x, y, width, height) {
    GLctx.scissor(x, y, width, height);
  },
  zgl_blend_func: function(source, destination) {
    GLctx.blendFunc(source, destination);
  },
  zgl_depth_func: function(func) {
    GLctx.depthFunc(func);
  },
  zgl_clear: function(mask, red, green, blue, alpha, depth) {
    GLctx.clearColor(red, green, blue, alpha);
    GLctx.clearDepth(depth);
    GLctx.clear(mask);
  },

  zgl_texture_create__deps: ['$ZGL'],
  zgl_texture_create: function() {
    var gl = GLctx;
    var texture = gl.createTexture();
    gl.bindTexture(gl.TEXTURE_2D, texture);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
    ZGL.textures.push(texture);
    return ZGL.textures.length - 1;
  },
  zgl_texture_delete__deps: ['$ZGL'],
  zgl_texture_delete: function(id) {
    GLctx.deleteTexture(ZGL.textures[id]);
    ZGL.textures[id] = null;
  },
  // Rows of `bytes` bytes each but the last, which holds width pixels only.
  zgl_texture_image__deps: ['$ZGL'],
  zgl_texture_image: function(id, format, width, height, pixels, bytes) {
    var gl = GLctx;
    gl.bindTexture(gl.TEXTURE_2D, ZGL.textures[id]);
    gl.texImage2D(gl.TEXTURE_2D, 0, format, width, height, 0, format, gl.UNSIGNED_BYTE,
                  pixels ? HEAPU8.subarray(pixels, pixels + bytes) : null);
  },
  zgl_texture_sub_image__deps: ['$ZGL'],
  zgl_texture_sub_image: function(id, format, x, y, width, height, pixels, bytes) {
    var gl = GLctx;
    gl.bindTexture(gl.TEXTURE_2D, ZGL.textures[id]);
    gl.texSubImage2D(gl.TEXTURE_2D, 0, x, y, width, height, format, gl.UNSIGNED_BYTE,
                     HEAPU8.subarray(pixels, pixels + bytes));
  },

  // `count` vertices at `vertices` as triangles (or lines), textured by
  // texture `id` (0: untextured) with the given environment and parameters.
  zgl_draw__deps: ['$ZGL'],
  zgl_draw: function(lines, vertices, count, x, y, width, height, id, mode, alpha, linear, textureWidth,
                     textureHeight, clampS, clampT) {
    var gl = GLctx, u = ZGL.uniforms;
    gl.bufferData(gl.ARRAY_BUFFER, HEAPU8.subarray(vertices, vertices + count * ZGL.kStride), gl.STREAM_DRAW);
    gl.uniform4f(u.uViewport, x, y, width, height);
    gl.uniform1i(u.uMode, id ? mode : 0);
    if (id) {
      gl.bindTexture(gl.TEXTURE_2D, ZGL.textures[id]);
      gl.uniform1i(u.uAlpha, alpha);
      gl.uniform1i(u.uLinear, linear);
      gl.uniform2f(u.uSize, textureWidth, textureHeight);
      gl.uniform2f(u.uClamp, clampS, clampT);
    }
    gl.drawArrays(lines ? gl.LINES : gl.TRIANGLES, 0, count);
  },

  zgl_read_pixels: function(x, y, width, height, pixels) {
    GLctx.readPixels(x, y, width, height, GLctx.RGBA, GLctx.UNSIGNED_BYTE,
                     HEAPU8.subarray(pixels, pixels + width * height * 4));
  },
});
