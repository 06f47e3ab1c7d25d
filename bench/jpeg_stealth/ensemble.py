"""The FLD ensemble (Kodovsky, Fridrich and Holub, "Ensemble classifiers for
steganalysis of digital media", IEEE TIFS 2012): L Fisher linear
discriminants, each on a random subspace of d_sub features and a bootstrap
sample of the training pairs, voting. Here L and d_sub are fixed rather
than searched, and the score is the mean of the learners' normalised
projections, so that a ROC curve can be drawn."""
import numpy as np


class FldEnsemble:
    def __init__(self, learners=51, subspace=800, seed=0):
        self.learners, self.subspace, self.seed = learners, subspace, seed

    def fit(self, cover, stego):
        rng = np.random.default_rng(self.seed)
        dims = cover.shape[1]
        self.models = []
        for _ in range(self.learners):
            features = rng.choice(dims, size=min(self.subspace, dims), replace=False)
            pick = rng.integers(0, len(cover), size=len(cover))
            c, s = cover[pick][:, features].astype(np.float64), stego[pick][:, features].astype(np.float64)
            mu_c, mu_s = c.mean(0), s.mean(0)
            scatter = np.cov(c, rowvar=False) + np.cov(s, rowvar=False)
            ridge = 1e-6 * np.trace(scatter) / len(features) + 1e-12
            w = np.linalg.solve(scatter + ridge * np.eye(len(features)), mu_s - mu_c)
            projected_c, projected_s = c @ w, s @ w
            threshold = (projected_c.mean() + projected_s.mean()) / 2
            spread = np.std(np.concatenate([projected_c, projected_s])) + 1e-12
            self.models.append((features, w, threshold, spread))
        return self

    def score(self, x):
        x = x.astype(np.float64)
        return np.mean([(x[:, f] @ w - t) / s for f, w, t, s in self.models], axis=0)
