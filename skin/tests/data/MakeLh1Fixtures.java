// Makes the -lh1- fixtures of the codec tests with an independent encoder (the Java library of
// Debian's jlha-utils). The plain inputs come from a small generator that the tests repeat in C++,
// so only the compressed streams are kept. Run make_lh1_fixtures.sh to remake them.
import java.io.*;
import java.util.Properties;
import jp.gr.java_conf.dangan.util.lha.CompressMethod;

public class MakeLh1Fixtures {
  static long state;
  static int next() { state = (state * 1103515245L + 12345L) & 0x7fffffffL; return (int) (state >> 16); }

  static byte[] text(int size) {
    String[] words = {"\u6e29\u5ea6", "humidity", "alarm ", "record", "\r\n", "channel ", "0.5 ", "sensor ",
                      "the ", "value ", "=", "history ", "23.75", "\t", "device "};
    ByteArrayOutputStream out = new ByteArrayOutputStream();
    state = 1;
    while (out.size() < size) {
      byte[] w = words[next() % words.length].getBytes(java.nio.charset.StandardCharsets.UTF_8);
      out.write(w, 0, w.length);
    }
    return java.util.Arrays.copyOf(out.toByteArray(), size);
  }
  static byte[] mixed(int size) {
    byte[] b = new byte[size];
    state = 2;
    int i = 0;
    while (i < size) {
      int kind = next() % 4, n = 1 + next() % 200;
      for (int k = 0; k < n && i < size; k++, i++) {
        b[i] = (byte) (kind == 0 ? 0 : kind == 1 ? next() : kind == 2 ? (k & 0xFF) : 0xFF);
      }
    }
    return b;
  }
  static byte[] noise(int size) {
    byte[] b = new byte[size];
    state = 3;
    for (int i = 0; i < size; i++) b[i] = (byte) (0x40 + (next() & 15));
    return b;
  }
  static void write(String name, byte[] plain) throws Exception {
    ByteArrayOutputStream raw = new ByteArrayOutputStream();
    OutputStream enc = CompressMethod.connectEncoder(raw, "-lh1-", new Properties());
    enc.write(plain);
    enc.close();
    try (FileOutputStream f = new FileOutputStream(name)) { f.write(raw.toByteArray()); }
    System.out.println(name + ": " + plain.length + " -> " + raw.size());
  }
  public static void main(String[] args) throws Exception {
    write("text.lh1", text(30000));
    write("mixed.lh1", mixed(20000));
    write("noise.lh1", noise(120000));
  }
}
